// connection.h: an open database as the provider layer offers it: opened from a connection string,
// it lists the table schema, opens recordsets on the select statement and runs the update
// statement. Reading goes through the engine's reader; the writer is taken at the first change.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {
class DatabaseWriter;
}

namespace db {

class Recordset;

// The connection's Mode, with the provider's numbers. Unknown (the default) and read/write allow
// changes; read refuses them.
enum class ConnectionMode { kUnknown = 0, kRead = 1, kWrite = 2, kReadWrite = 3 };

// One row of the table schema: the two columns callers read, and whether the object's records
// are stored in this file (links, pass-through tables and queries hold none).
struct SchemaRow {
  std::string tableType;  // "TABLE", "SYSTEM TABLE", "ACCESS TABLE", "LINK", "VIEW", ...
  std::string tableName;
  bool stored = false;
};

// New values for some fields of one record: each field's position in the table, and its value.
struct CellChange {
  std::size_t field = 0;
  jet::Value value;
};
using CellChanges = std::vector<CellChange>;

// How a connection opens the file for reading; tests hand in a database of their own.
using ReaderOpener = std::function<jet::Result<std::unique_ptr<jet::Database>>(
    const std::string& path, const jet::OpenOptions& options)>;

// What the header of the database file at `path` says, read without a password.
inline jet::Result<jet::HeaderInfo> readFileHeader(const std::string& path) {
  return jet::readHeaderInfo(path);
}

class Connection {
 public:
  // Changed pages are committed (after the before-commit hook) once this many have gathered.
  static constexpr std::size_t kPagesPerCommit = 4096;  // 16 MB of 4 KB pages: 8 MB of Jet3 pages

  // Opens the file the connection string names, checking its password, through `opener` (the
  // engine's reader when empty). Nothing is locked for writing until the first change.
  static jet::Result<std::unique_ptr<Connection>> open(
      std::string_view connectionString, ConnectionMode mode = ConnectionMode::kUnknown,
      const ReaderOpener& opener = {});
  ~Connection();  // closes, committing what was changed (a failure then goes unreported)
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& path() const;
  const jet::Database& database() const { return *reader_; }
  // What the file's header says (format, page size, code page, sort order, encryption).
  const jet::HeaderInfo& header() const { return reader_->header(); }
  // A sentence for the user when opening undid a change that a crash had interrupted; else empty.
  std::string recoveryNotice() const { return reader_->recoveryNotice(); }
  // A stored table's definition by name (letter case aside, as Access compares names).
  jet::Result<jet::TableDef> table(std::string_view name) const { return reader_->table(name); }

  // The table schema's rows in catalogue order: every table-like object with its type text.
  std::vector<SchemaRow> tableSchema() const;

  // A recordset on "SELECT * FROM `table`": a forward, static view of every record in table
  // order, streamed. The connection must outlive it.
  jet::Result<std::unique_ptr<Recordset>> openRecordset(std::string_view sql);

  // Runs "update [T] set [C] = 'new' where [C] = 'old'" (the where clause compares without regard
  // to letter case) and gives the number of records changed. A select is refused.
  jet::Result<std::uint64_t> execute(std::string_view sql);

  // Called before every commit, so that what must be durable first (the change log) is.
  void setBeforeCommit(std::function<jet::Status()> hook) { beforeCommit_ = std::move(hook); }
  // How many commits have reached the file: a change made before the latest one is durable.
  std::uint64_t commits() const { return commits_; }

  // Writes one row's new cells (the recordset's update); commits when enough pages gathered.
  jet::Status updateRow(const jet::TableDef& table, jet::RowLocator where,
                        const CellChanges& changes);
  // Takes the writer (locking the file for changes) unless already taken.
  jet::Status beginWriting();
  // The record at `where` as the file holds it since the writer was taken (a reader opened then,
  // so that nothing read before the lock can stand in for it). Needs beginWriting().
  jet::Result<jet::Row> storedRow(const jet::TableDef& table, jet::RowLocator where) const;
  // One stored cell of that row (column `column` of the table).
  jet::Result<jet::Value> storedCell(const jet::TableDef& table, jet::RowLocator where,
                                     std::size_t column) const;
  // True once the writer was taken.
  bool writing() const { return writer_ != nullptr; }

  // Makes every change so far durable (nothing to do when nothing changed).
  jet::Status commit();
  // Commits and lets the file go. Further use fails.
  jet::Status close();

 private:
  Connection(std::unique_ptr<jet::Database> reader, ConnectionMode mode, std::string password);

  std::unique_ptr<jet::Database> reader_;
  std::unique_ptr<jet::DatabaseWriter> writer_;
  std::unique_ptr<jet::Database> verifier_;  // opened with the writer
  ConnectionMode mode_;
  std::string password_;  // for the writer's own check; never printed or logged
  std::function<jet::Status()> beforeCommit_;
  std::uint64_t commits_ = 0;
  bool closed_ = false;
};

}  // namespace db
