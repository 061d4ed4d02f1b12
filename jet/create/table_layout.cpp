// table_layout.cpp: column numbering and placement for new tables.
#include "jet/create/table_layout.h"

#include <algorithm>
#include <set>

#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::uint16_t kGeneralSortOrder = 1033;
constexpr std::uint8_t kFlagFixed = 0x01;
constexpr std::uint8_t kFlagUpdatable = 0x02;
constexpr std::uint8_t kExtraCompressedUnicode = 0x01;

bool isVariable(ColumnType type) { return type == ColumnType::kText || type == ColumnType::kMemo; }

std::uint16_t fixedBytes(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return 1;
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
      return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return 8;
    default:
      return 0;
  }
}

Error badInput(const std::string& text) { return Error{err::kUnsupported, text}; }

Status checkColumn(const std::string& table, const ColumnSpec& spec) {
  JET_TRY(checkObjectName(spec.name, "column in table \"" + table + "\""));
  if (!creatableType(spec.type)) {
    return badInput("Column \"" + spec.name + "\" of table \"" + table + "\": type " +
                    std::string(columnTypeName(spec.type)) + " cannot be created.");
  }
  if (spec.type == ColumnType::kText && (spec.length < 1 || spec.length > 255)) {
    return badInput("Column \"" + spec.name + "\" of table \"" + table +
                    "\": a text column holds 1 to 255 characters, not " +
                    std::to_string(spec.length) + ".");
  }
  return {};
}

}  // namespace

bool creatableType(ColumnType type) {
  return type == ColumnType::kBoolean || fixedBytes(type) != 0 || isVariable(type);
}

Status checkObjectName(const std::string& name, const std::string& what) {
  std::size_t units = utf16Length(name);
  if (units == 0 || units > kMaxNameLength) {
    return badInput("The " + what + " name \"" + name + "\" must have 1 to 64 characters.");
  }
  if (name.front() == ' ') {
    return badInput("The " + what + " name \"" + name + "\" must not begin with a space.");
  }
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') {
      return badInput("The " + what + " name \"" + name +
                      "\" must not hold control characters or any of . ! ` [ ].");
    }
  }
  return {};
}

Result<TableDef> layoutTable(const std::string& tableName, const std::vector<ColumnSpec>& columns) {
  JET_TRY(checkObjectName(tableName, "table"));
  if (columns.empty() || columns.size() > kMaxNewColumns) {
    return badInput("Table \"" + tableName + "\" needs 1 to 255 columns, not " +
                    std::to_string(columns.size()) + ".");
  }
  std::set<std::string> seen;
  for (const ColumnSpec& spec : columns) {
    JET_TRY(checkColumn(tableName, spec));
    if (!seen.insert(foldCase(spec.name)).second) {
      return badInput("Table \"" + tableName + "\" names column \"" + spec.name + "\" twice.");
    }
  }
  std::uint16_t texts = static_cast<std::uint16_t>(
      std::count_if(columns.begin(), columns.end(),
                    [](const ColumnSpec& c) { return c.type == ColumnType::kText; }));
  std::uint16_t nextText = 0;
  std::uint16_t nextMemo = texts;
  std::uint16_t nextFixed = 0;

  TableDef def;
  def.name = tableName;
  def.tableType = 0x4E;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnSpec& spec = columns[i];
    Column col;
    col.name = spec.name;
    col.type = spec.type;
    col.number = static_cast<std::uint16_t>(i);
    col.flags = kFlagUpdatable;
    col.sortOrder = kGeneralSortOrder;  // Access records it on every column, not only texts
    if (isVariable(spec.type)) {
      col.varIndex = spec.type == ColumnType::kText ? nextText++ : nextMemo++;
      col.length = spec.type == ColumnType::kText ? static_cast<std::uint16_t>(spec.length * 2) : 0;
      col.extraFlags = kExtraCompressedUnicode;
    } else {
      col.flags |= kFlagFixed;
      col.varIndex = nextText;  // as Access does: the variable slot that comes next
      col.length = spec.type == ColumnType::kBoolean ? 1 : fixedBytes(spec.type);
      col.fixedOffset = spec.type == ColumnType::kBoolean ? 0 : nextFixed;
      nextFixed = static_cast<std::uint16_t>(nextFixed + fixedBytes(spec.type));
    }
    def.columns.push_back(col);
  }
  def.maxColumns = static_cast<std::uint16_t>(def.columns.size());
  def.varColumnCount = nextMemo;
  return def;
}

}  // namespace jet
