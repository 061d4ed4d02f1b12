// table_rows.h: the records of one stored table, read in table order one at a time, for copying
// a table out (the command line's export) and for counting records. Holds one record in memory
// however large the table.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "db/connection.h"

namespace db {

class TableRows {
 public:
  // Starts before the first record; nothing is read yet. `connection` must outlive it.
  static jet::Result<std::unique_ptr<TableRows>> open(const Connection& connection,
                                                      jet::TableDef table);

  const jet::TableDef& table() const { return table_; }
  // The next record into `row`; false at the end.
  jet::Result<bool> next(jet::Row& row) { return scan_->next(row); }

 private:
  TableRows(jet::TableDef table, std::unique_ptr<jet::TableScan> scan)
      : table_(std::move(table)), scan_(std::move(scan)) {}

  jet::TableDef table_;
  std::unique_ptr<jet::TableScan> scan_;
};

// The number of records a full read of the table delivers (the count its definition stores may
// be stale).
jet::Result<std::uint64_t> countRecords(const Connection& connection, const jet::TableDef& table);
jet::Result<std::uint64_t> countRecords(const Connection& connection, std::string_view table);

}  // namespace db
