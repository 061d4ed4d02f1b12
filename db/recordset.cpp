// recordset.cpp: streaming the table's rows and changing the current one through the connection.
#include "db/recordset.h"

#include "db/connection.h"
#include "db/error_codes.h"
#include "db/table_rows.h"
#include "jet/core/error_codes.h"

namespace db {
namespace {

bool holdsText(jet::ColumnType type) {
  return type == jet::ColumnType::kText || type == jet::ColumnType::kMemo;
}

bool sameValue(const jet::Value& a, const jet::Value& b) {
  return a.isNull == b.isNull && a.text == b.text && a.integer == b.integer &&
         a.boolean == b.boolean && a.bytes == b.bytes &&
         (a.real == b.real || (a.real != a.real && b.real != b.real));
}

}  // namespace

jet::Result<std::unique_ptr<Recordset>> Recordset::open(Connection& connection,
                                                        jet::TableDef table) {
  std::unique_ptr<Recordset> rs(new Recordset(connection, std::move(table)));
  JET_ASSIGN_OR_RETURN(rs->scan_, connection.database().scan(rs->table_));
  JET_TRY(rs->moveNext());
  return rs;
}

jet::Result<std::uint64_t> Recordset::recordCount() {
  if (count_) return *count_;
  JET_ASSIGN_OR_RETURN(std::uint64_t n, countRecords(connection_, table_));
  count_ = n;
  return n;
}

jet::Status Recordset::moveNext() {
  if (eof_) {
    return jet::Error{err::kNoCurrentRecord,
                      "no current record: the end of table '" + table_.name + "' was reached"};
  }
  JET_ASSIGN_OR_RETURN(bool more, scan_->next(row_));
  eof_ = !more;
  return {};
}

jet::Status Recordset::stillHolds(std::size_t k) const {
  JET_ASSIGN_OR_RETURN(jet::Value stored, connection_.storedCell(table_, row_.locator, k));
  if (k < fieldCount() && sameValue(stored, row_.values[k])) return {};
  return jet::Error{err::kRecordChanged, "the record of table '" + table_.name +
                                             "' changed after it was read; column '" +
                                             fieldName(k) + "' was left as it is"};
}

jet::Status Recordset::updateText(std::size_t k, const std::string& text) {
  if (eof_ || k >= fieldCount()) {
    return jet::Error{err::kNoCurrentRecord,
                      "no current record to change in table '" + table_.name + "'"};
  }
  const jet::Column& column = field(k);
  if (column.calculated()) {
    return jet::Error{jet::err::kNotWritable,
                      "column '" + column.name + "' of table '" + table_.name +
                          "' is calculated by Access from other columns and is never written"};
  }
  if (!holdsText(column.type)) {
    return jet::Error{jet::err::kCantConvertValue,
                      "column '" + column.name + "' of table '" + table_.name + "' holds " +
                          std::string(jet::columnTypeName(column.type)) +
                          " values, not text: the new value was not written"};
  }
  // Until this connection held the file for writing, another program could change the record,
  // and what the scan read before then may be out of date.
  JET_TRY(connection_.beginWriting());
  JET_TRY(stillHolds(k));
  jet::Value v;
  v.isNull = false;
  v.text = text;
  JET_TRY(connection_.updateRow(table_, row_.locator, CellChanges{{k, v}}));
  row_.values[k] = v;
  return {};
}

}  // namespace db
