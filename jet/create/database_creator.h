// database_creator.h: makes a new Jet4 .mdb or ACE .accdb from an empty Access-made template:
// adds tables (registered in MSysObjects and MSysACEs, entries in their indexes) and streams
// rows into them. The file is built under a temporary name and appears only when finish() ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/create/index_layout.h"
#include "jet/file/raw_file.h"
#include "jet/core/status.h"
#include "jet/schema/table_def.h"

namespace jet {

class TableFiller;
class IndexFiller;
class FilePageStore;

struct CreateOptions {
  std::string templatePath;     // an empty Access-made database (third_party/templates)
  double createdAt = 0.0;       // creation date of the new objects: days since 1899-12-30
  FaultHook* faults = nullptr;  // tests only: simulated crashes while the file is written
  // Bytes of index keys a table holds in memory; beyond them sorted runs go to a temporary file
  // beside the new one (NAME.partial.sortN) and are merged when the table's rows are done.
  std::size_t indexSortBudget = 16u << 20;
  // Non-empty: the new .accdb is encrypted (Office agile) with this password from its first
  // write on. Never printed or logged.
  std::string password;
};

class DatabaseCreator {
 public:
  // Refuses when `path` exists (kIo naming it) or the template is not an unencrypted Jet4/ACE
  // file (kUnsupported).
  static Result<std::unique_ptr<DatabaseCreator>> create(const std::string& path,
                                                         const CreateOptions& options);
  ~DatabaseCreator();  // without finish(): removes the partial file
  DatabaseCreator(const DatabaseCreator&) = delete;
  DatabaseCreator& operator=(const DatabaseCreator&) = delete;

  Version version() const { return version_; }
  // Creates a table; rows given to insertRow() then go to it, until the next addTable().
  Status addTable(const std::string& name, const std::vector<ColumnSpec>& columns);
  // The same with indexes (index_layout.h), built after the table's last row: a duplicate under
  // a unique index then fails the next addTable() or finish() with kUniqueViolation, and the
  // file is given up.
  Status addTable(const TableSpec& table);
  // One Value per column of the current table (members as types.h lists them).
  Status insertRow(const std::vector<Value>& values);
  // Completes the last table and the file's global usage map, then moves the file into place.
  Status finish();

 private:
  DatabaseCreator(std::string path, std::string partial, Version version, CreateOptions options,
                  std::unique_ptr<FilePageStore> pages);
  Status closeTable();
  Status registerTable(const TableDef& table);
  Result<TableDef> writeDefinition(TableDef laidOut);

  std::string path_;
  std::string partial_;
  Version version_;
  CreateOptions options_;
  std::unique_ptr<FilePageStore> pages_;
  std::uint32_t firstNewPage_ = 0;
  std::unique_ptr<TableFiller> filler_;
  std::unique_ptr<TableDef> indexedTable_;  // the open table's definition, when it has indexes
  std::unique_ptr<IndexFiller> indexes_;
  bool finished_ = false;
  bool failed_ = false;
};

}  // namespace jet
