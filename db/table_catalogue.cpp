// table_catalogue.cpp: listing the user tables and probing one.
#include "db/table_catalogue.h"

#include "db/connection.h"
#include "db/file_exists.h"
#include "db/recordset.h"

namespace db {

jet::Result<std::optional<std::vector<std::string>>> listTables(const std::string& path,
                                                                std::string_view connectionString) {
  if (!fileExists(path)) return std::optional<std::vector<std::string>>();
  JET_ASSIGN_OR_RETURN(auto connection, Connection::open(connectionString));
  std::vector<std::string> names;
  for (const SchemaRow& row : connection->tableSchema()) {
    if (isUserTable(row)) names.push_back(row.tableName);
  }
  JET_TRY(connection->close());
  return std::optional<std::vector<std::string>>(std::move(names));
}

bool isUserTable(const SchemaRow& row) { return row.tableType == kUserTableType; }

jet::Status probeTable(std::string_view connectionString, std::string_view table) {
  JET_ASSIGN_OR_RETURN(auto connection,
                       Connection::open(connectionString, ConnectionMode::kReadWrite));
  JET_ASSIGN_OR_RETURN(auto records, connection->openRecordset(selectAllStatement(table)));
  records.reset();
  return connection->close();
}

std::string selectAllStatement(std::string_view table) {
  std::string sql = "SELECT * FROM `";
  for (char c : table) {
    sql += c;
    if (c == '`') sql += c;  // doubled, so that a grave accent cannot end the name early
  }
  return sql + "`";
}

}  // namespace db
