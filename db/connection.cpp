// connection.cpp: opening from a connection string, the table schema, and the two statements.
#include "db/connection.h"

#include <limits>
#include <variant>

#include "db/connection_string.h"
#include "db/error_codes.h"
#include "db/recordset.h"
#include "db/sql_statement.h"
#include "jet/database_writer.h"
#include "jet/table_writer.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"

namespace db {
namespace {

jet::Error closedError() { return jet::Error{err::kNoCurrentRecord, "the connection is closed"}; }

}  // namespace

Connection::Connection(std::unique_ptr<jet::Database> reader, ConnectionMode mode,
                       std::string password)
    : reader_(std::move(reader)), mode_(mode), password_(std::move(password)) {}

Connection::~Connection() { (void)close(); }

jet::Result<std::unique_ptr<Connection>> Connection::open(std::string_view connectionString,
                                                          ConnectionMode mode,
                                                          const ReaderOpener& opener) {
  JET_ASSIGN_OR_RETURN(ConnectionTarget target, parseConnectionString(connectionString));
  jet::OpenOptions options;
  options.password = target.password;
  JET_ASSIGN_OR_RETURN(auto reader, opener ? opener(target.path, options)
                                           : jet::Database::open(target.path, options));
  return std::unique_ptr<Connection>(
      new Connection(std::move(reader), mode, std::move(target.password)));
}

const std::string& Connection::path() const { return reader_->path(); }

std::vector<SchemaRow> Connection::tableSchema() const {
  std::vector<SchemaRow> rows;
  for (const jet::CatalogEntry& entry : reader_->catalogue()) {
    std::string_view type = jet::objectKindText(entry.kind);
    if (type.empty()) continue;  // not an object the table schema lists
    rows.push_back(SchemaRow{std::string(type), entry.name, entry.tdefPage != 0});
  }
  return rows;
}

jet::Result<std::unique_ptr<Recordset>> Connection::openRecordset(std::string_view sql) {
  if (closed_) return closedError();
  JET_ASSIGN_OR_RETURN(Statement statement, parseStatement(sql));
  const auto* select = std::get_if<SelectAll>(&statement);
  if (select == nullptr) {
    return jet::Error{jet::err::kSyntaxError,
                      "a recordset opens on a select statement, not an update"};
  }
  JET_ASSIGN_OR_RETURN(jet::TableDef table, reader_->table(select->table));
  return Recordset::open(*this, std::move(table));
}

jet::Result<std::uint64_t> Connection::execute(std::string_view sql) {
  if (closed_) return closedError();
  JET_ASSIGN_OR_RETURN(Statement statement, parseStatement(sql));
  const auto* update = std::get_if<UpdateWhereEquals>(&statement);
  if (update == nullptr) {
    return jet::Error{jet::err::kSyntaxError,
                      "only an update statement can be executed; open a recordset to select"};
  }
  JET_ASSIGN_OR_RETURN(jet::TableDef table, reader_->table(update->table));
  std::size_t k = table.columns.size();
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (jet::equalsIgnoringCase(table.columns[i].name, update->column)) k = i;
  }
  if (k == table.columns.size()) {
    return jet::Error{jet::err::kNoSuchColumn,
                      "table '" + table.name + "' has no column '" + update->column + "'"};
  }
  const jet::Column& column = table.columns[k];
  if (column.type != jet::ColumnType::kText && column.type != jet::ColumnType::kMemo) {
    return jet::Error{jet::err::kCantConvertValue,
                      "column '" + column.name + "' of table '" + table.name + "' holds " +
                          std::string(jet::columnTypeName(column.type)) +
                          " values: it cannot be compared with or set to a quoted text"};
  }
  JET_ASSIGN_OR_RETURN(auto records, Recordset::open(*this, std::move(table)));
  std::uint64_t changed = 0;
  while (!records->eof()) {
    const jet::Value& v = records->value(k);
    if (!v.isNull && jet::equalsIgnoringCase(v.text, update->oldValue)) {
      // The engine counts a record that already holds the new text; there is nothing to write.
      if (v.text != update->newValue) JET_TRY(records->updateText(k, update->newValue));
      ++changed;
    }
    JET_TRY(records->moveNext());
  }
  return changed;
}

jet::Status Connection::beginWriting() {
  if (closed_) return closedError();
  if (writer_) return {};
  if (mode_ == ConnectionMode::kRead) {
    return jet::Error{err::kConnectionReadOnly,
                      "the database " + path() + " was opened for reading only"};
  }
  jet::WriterOptions options;
  options.password = password_;
  options.pagesPerCommit = std::numeric_limits<std::size_t>::max();  // commit() decides
  JET_ASSIGN_OR_RETURN(auto writer, jet::DatabaseWriter::open(path(), options));
  jet::OpenOptions reading;
  reading.password = password_;
  JET_ASSIGN_OR_RETURN(verifier_, jet::Database::open(path(), reading));
  writer_ = std::move(writer);
  return {};
}

jet::Result<jet::Row> Connection::storedRow(const jet::TableDef& table,
                                            jet::RowLocator where) const {
  if (!verifier_) return closedError();
  return verifier_->readRow(table, where);
}

jet::Result<jet::Value> Connection::storedCell(const jet::TableDef& table, jet::RowLocator where,
                                               std::size_t column) const {
  if (!verifier_) return closedError();
  return verifier_->readCell(table, where, column);
}

jet::Status Connection::updateRow(const jet::TableDef& table, jet::RowLocator where,
                                  const CellChanges& changes) {
  JET_TRY(beginWriting());
  JET_ASSIGN_OR_RETURN(jet::TableWriter * target, writer_->table(table));
  jet::CellChanges cells;
  cells.reserve(changes.size());
  for (const CellChange& c : changes) cells.emplace_back(c.field, c.value);
  JET_TRY(writer_->updateRow(*target, where, cells));
  if (writer_->pages().changes().size() >= kPagesPerCommit) return commit();
  return {};
}

jet::Status Connection::commit() {
  if (!writer_ || writer_->pages().changes().empty()) return {};
  if (beforeCommit_) JET_TRY(beforeCommit_());
  JET_TRY(writer_->flush());
  ++commits_;
  return {};
}

jet::Status Connection::close() {
  if (closed_) return {};
  // When the commit fails (the hook could not make the log durable), the writer is dropped
  // without closing it, which discards the uncommitted changes rather than commit them unlogged.
  jet::Status committed = commit();
  jet::Status ended = writer_ && committed.ok() ? writer_->close() : jet::Status();
  writer_.reset();
  verifier_.reset();
  closed_ = true;
  return committed.ok() ? ended : committed;
}

}  // namespace db
