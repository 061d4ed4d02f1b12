// database.h: the engine's entry point for reading: open a file, read its catalogue and table
// definitions, scan rows. Page access, decoding and crypto stay behind this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/status.h"
#include "jet/core/types.h"
#include "jet/pager/header.h"
#include "jet/row/table_scan.h"
#include "jet/schema/schema.h"

namespace jet {

struct OpenOptions {
  std::string password;  // compared with the stored one; never printed or logged
};

class Database;
class PageReader;

// What the header page of the database at `path` says, without a password and without reading
// any other page (an encrypted file names its cipher here too).
Result<HeaderInfo> readHeaderInfo(const std::string& path);

class Database {
 public:
  virtual ~Database() = default;

  static Result<std::unique_ptr<Database>> open(const std::string& path,
                                                const OpenOptions& options = {});

  virtual const std::string& path() const = 0;
  virtual const HeaderInfo& header() const = 0;
  // The file's decoded pages, as the reader reads them, for checks that walk structures the
  // reader does not (index trees); null for a database that is not a file (test doubles).
  virtual const PageReader* filePages() const { return nullptr; }
  // Every object of MSysObjects that the table schema lists, plus the rest as kOther,
  // in the order MSysObjects holds them.
  virtual const std::vector<CatalogEntry>& catalogue() const = 0;
  // A table by name (case-insensitive, as Access compares names).
  virtual Result<TableDef> table(std::string_view name) const = 0;
  virtual Result<std::unique_ptr<TableScan>> scan(const TableDef& table) const = 0;
  // Reads one row by locator (following an overflow pointer); an error when it is deleted.
  virtual Result<Row> readRow(const TableDef& table, RowLocator where) const = 0;
  // One cell of that row (column `column` of the table), decoding no other.
  virtual Result<Value> readCell(const TableDef& table, RowLocator where,
                                 std::size_t column) const {
    JET_ASSIGN_OR_RETURN(Row row, readRow(table, where));
    if (column >= row.values.size()) return Value{};
    return std::move(row.values[column]);
  }
  // A sentence for the user when opening undid a change that a crash had interrupted.
  virtual std::string recoveryNotice() const { return {}; }
};

}  // namespace jet
