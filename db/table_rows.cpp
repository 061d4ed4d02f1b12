// table_rows.cpp: the engine's scan of one table, as the provider layer hands it out.
#include "db/table_rows.h"

namespace db {

jet::Result<std::unique_ptr<TableRows>> TableRows::open(const Connection& connection,
                                                        jet::TableDef table) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<jet::TableScan> scan, connection.database().scan(table));
  return std::unique_ptr<TableRows>(new TableRows(std::move(table), std::move(scan)));
}

jet::Result<std::uint64_t> countRecords(const Connection& connection, const jet::TableDef& table) {
  JET_ASSIGN_OR_RETURN(auto rows, TableRows::open(connection, table));
  std::uint64_t count = 0;
  jet::Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, rows->next(row));
    if (!more) return count;
    ++count;
  }
}

jet::Result<std::uint64_t> countRecords(const Connection& connection, std::string_view table) {
  JET_ASSIGN_OR_RETURN(jet::TableDef def, connection.table(table));
  return countRecords(connection, def);
}

}  // namespace db
