// cell_text.cpp: chooses, per column type, the text of a cell and whether it is a string, then
// spells it for JSON or CSV.
#include "cli/cell_text.h"

#include <cmath>

#include "cli/quoting.h"
#include "jet/core/value_format.h"

namespace cli {
namespace {

struct Cell {
  enum Kind { kNull, kLiteral, kString } kind;  // kLiteral: a JSON number or boolean
  std::string owned;
  const std::string* borrowed = nullptr;  // a text cell's own value, spelled without a copy
  std::string_view text() const { return borrowed != nullptr ? *borrowed : owned; }
};

Cell floating(std::string text, double value) {
  return {std::isfinite(value) ? Cell::kLiteral : Cell::kString, std::move(text)};
}

Cell decimal(const std::string& text) {
  auto plain = jet::normalizeDecimal(text);
  return plain ? Cell{Cell::kLiteral, *plain} : Cell{Cell::kString, text};
}

Cell cellOf(const jet::Column& column, const jet::Value& value) {
  using jet::ColumnType;
  if (value.isNull) return {Cell::kNull, {}};
  switch (column.calculated() ? column.resultType : column.type) {
    case ColumnType::kBoolean:
      return {Cell::kLiteral, value.boolean ? "true" : "false"};
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kComplex:
      return {Cell::kLiteral, std::to_string(value.integer)};
    case ColumnType::kBigInt:
      return {Cell::kString, std::to_string(value.integer)};
    case ColumnType::kCurrency:
      return {Cell::kLiteral, jet::formatCurrency(value.integer)};
    case ColumnType::kNumeric:
      return decimal(value.text);
    case ColumnType::kSingle:
      return floating(jet::formatSingle(static_cast<float>(value.real)), value.real);
    case ColumnType::kDouble:
      return floating(jet::formatDouble(value.real), value.real);
    case ColumnType::kDateTime:
      return {Cell::kString, jet::formatDateTime(value.real)};
    case ColumnType::kBinary:
    case ColumnType::kOle:
      return {Cell::kString, jet::formatHex(value.bytes)};
    case ColumnType::kDateTimeExt:
    case ColumnType::kText:
    case ColumnType::kMemo:
    case ColumnType::kGuid:
      return {Cell::kString, {}, &value.text};
    case ColumnType::kUnknown0D:
    case ColumnType::kUnknown11:
      break;
  }
  // Types with no defined meaning: whatever the engine delivered, bytes first.
  return {Cell::kString, value.bytes.empty() ? value.text : jet::formatHex(value.bytes)};
}

}  // namespace

void appendJsonCell(std::string& out, const jet::Column& column, const jet::Value& value) {
  const Cell cell = cellOf(column, value);
  switch (cell.kind) {
    case Cell::kNull:
      out += "null";
      return;
    case Cell::kLiteral:
      out += cell.text();
      return;
    case Cell::kString:
      appendJsonString(out, cell.text());
      return;
  }
}

std::string jsonCell(const jet::Column& column, const jet::Value& value) {
  std::string out;
  appendJsonCell(out, column, value);
  return out;
}

void appendCsvCell(std::string& out, const jet::Column& column, const jet::Value& value) {
  const Cell cell = cellOf(column, value);
  if (cell.kind == Cell::kString && cell.text().empty()) {
    out += "\"\"";
    return;
  }
  appendCsvField(out, cell.text());
}

std::string csvCell(const jet::Column& column, const jet::Value& value) {
  std::string out;
  appendCsvCell(out, column, value);
  return out;
}

}  // namespace cli
