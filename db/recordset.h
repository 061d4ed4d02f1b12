// recordset.h: the records of one table as a forward, static view: the current record's fields
// (name, column, value), moving on, the exact record count, and changing the current record.
// Rows are streamed from the engine's scan, so memory stays flat whatever the table's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "jet/database.h"
#include "jet/core/status.h"

namespace db {

class Connection;

class Recordset {
 public:
  // Starts on the first record (eof() when there is none). `connection` must outlive it.
  static jet::Result<std::unique_ptr<Recordset>> open(Connection& connection, jet::TableDef table);

  const jet::TableDef& table() const { return table_; }
  // The exact number of records, counted by a scan of its own the first time it is asked.
  jet::Result<std::uint64_t> recordCount();
  // The count the table's definition stores: cheap, but Access may leave it stale.
  std::uint64_t storedRecordCount() const { return table_.rowCount; }

  bool eof() const { return eof_; }
  std::size_t fieldCount() const { return table_.columns.size(); }
  const std::string& fieldName(std::size_t k) const { return table_.columns[k].name; }
  const jet::Column& field(std::size_t k) const { return table_.columns[k]; }
  // The current record's value of field k (null allowed); the caller keeps !eof().
  const jet::Value& value(std::size_t k) const { return row_.values[k]; }
  jet::RowLocator locator() const { return row_.locator; }

  jet::Status moveNext();

  // Sets field k of the current record (and no other) to `text`, provided the stored record still
  // holds the value it was read with (err::kRecordChanged otherwise). Fields that do not hold
  // text fail with DB_E_CANTCONVERTVALUE, values too long with DB_E_DATAOVERFLOW.
  jet::Status updateText(std::size_t k, const std::string& text);

 private:
  Recordset(Connection& connection, jet::TableDef table)
      : connection_(connection), table_(std::move(table)) {}
  jet::Status stillHolds(std::size_t k) const;

  Connection& connection_;
  jet::TableDef table_;
  std::unique_ptr<jet::TableScan> scan_;
  jet::Row row_;
  bool eof_ = false;
  std::optional<std::uint64_t> count_;
};

}  // namespace db
