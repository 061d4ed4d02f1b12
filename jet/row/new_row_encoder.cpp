// new_row_encoder.cpp: cell encoding for freshly created tables; row_layout.h joins the parts.
#include "jet/row/new_row_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/row/row_layout.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kChainPointer = 4;
constexpr std::uint32_t kInlineFlag = 0x80000000;
constexpr std::uint32_t kSingleRowFlag = 0x40000000;
constexpr std::uint32_t kMaxLongValueLength = 0x3FFFFFFF;

Error columnError(std::int32_t number, const std::string& table, const Column& col,
                  const std::string& what) {
  return Error{number, "Column \"" + col.name + "\" of table \"" + table + "\": " + what};
}

Status checkRange(const std::string& table, const Column& col, std::int64_t v, std::int64_t lo,
                  std::int64_t hi) {
  if (v < lo || v > hi) {
    return columnError(err::kDataOverflow, table, col,
                       "the value " + std::to_string(v) + " is out of range.");
  }
  return {};
}

// Writes a fixed-size cell at `at` of the fixed area.
Status putFixed(std::span<std::uint8_t> fixed, const Column& col, const Value& v,
                const std::string& table) {
  std::size_t at = col.fixedOffset;
  switch (col.type) {
    case ColumnType::kByte:
      JET_TRY(checkRange(table, col, v.integer, 0, 255));
      put8(fixed, at, static_cast<std::uint8_t>(v.integer));
      return {};
    case ColumnType::kInteger:
      JET_TRY(checkRange(table, col, v.integer, std::numeric_limits<std::int16_t>::min(),
                         std::numeric_limits<std::int16_t>::max()));
      put16(fixed, at, static_cast<std::uint16_t>(v.integer));
      return {};
    case ColumnType::kLong:
      JET_TRY(checkRange(table, col, v.integer, std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max()));
      put32(fixed, at, static_cast<std::uint32_t>(v.integer));
      return {};
    case ColumnType::kCurrency:
      put64(fixed, at, static_cast<std::uint64_t>(v.integer));
      return {};
    case ColumnType::kSingle:
      put32(fixed, at, std::bit_cast<std::uint32_t>(static_cast<float>(v.real)));
      return {};
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      put64(fixed, at, std::bit_cast<std::uint64_t>(v.real));
      return {};
    default:
      return columnError(err::kUnsupported, table, col, "this type cannot be written.");
  }
}

std::size_t fixedAreaSize(const TableDef& table) {
  std::size_t size = 0;
  for (const Column& c : table.columns) {
    if (c.fixed() && c.type != ColumnType::kBoolean) {
      size = std::max<std::size_t>(size, std::size_t{c.fixedOffset} + c.length);
    }
  }
  return size;
}

void appendBytes(ByteVector& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

ByteVector descriptor(std::uint32_t lengthAndFlags, std::uint32_t pointer) {
  ByteVector d(kLongValueDescriptor, 0);
  put32(d, 0, lengthAndFlags);
  put32(d, 4, pointer);
  return d;
}

}  // namespace

Result<ByteVector> encodeNewText(const Column& col, const std::string& utf8,
                                 const std::string& table) {
  std::size_t units = utf16Length(utf8);
  if (col.type == ColumnType::kText && units * 2 > col.length) {
    return columnError(err::kDataOverflow, table, col,
                       "the text has " + std::to_string(units) + " characters; at most " +
                           std::to_string(col.length / 2) + " fit.");
  }
  Result<ByteVector> ucs2 = encodeUcs2(utf8);
  if (!ucs2.ok()) return columnError(err::kCantConvertValue, table, col, ucs2.error().description);
  bool compress = col.compressedUnicode() && units > 0 &&
                  (col.type == ColumnType::kText || units <= kMaxCompressedMemo);
  return compress ? compressUcs2(*ucs2) : std::move(ucs2).value();
}

Result<ByteVector> encodeLongValue(std::span<const std::uint8_t> data, std::uint16_t column,
                                   LongValueStore& store) {
  if (data.size() > kMaxLongValueLength) {
    return Error{err::kDataOverflow, "A memo value of " + std::to_string(data.size()) +
                                         " bytes is longer than a column can hold."};
  }
  std::uint32_t length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= kMaxInlineLongValue) {
    ByteVector out = descriptor(length | kInlineFlag, 0);
    appendBytes(out, data);
    return out;
  }
  if (data.size() <= kMaxLongValueRow) {
    JET_ASSIGN_OR_RETURN(std::uint32_t pointer, store.store(column, data));
    return descriptor(length | kSingleRowFlag, pointer);
  }
  // A chain: each row holds the pointer to the next (0 for the last), then its part. The last
  // part is stored first so that every row knows its successor.
  constexpr std::size_t kPart = kMaxLongValueRow - kChainPointer;
  std::size_t parts = (data.size() + kPart - 1) / kPart;
  std::uint32_t next = 0;
  for (std::size_t i = parts; i-- > 0;) {
    std::span<const std::uint8_t> part =
        data.subspan(i * kPart, std::min(kPart, data.size() - i * kPart));
    ByteVector row(kChainPointer, 0);
    put32(row, 0, next);
    appendBytes(row, part);
    JET_ASSIGN_OR_RETURN(next, store.store(column, row));
  }
  return descriptor(length, next);
}

namespace {

bool isLongValue(const Column& col) {
  return col.type == ColumnType::kMemo || col.type == ColumnType::kOle;
}

// The value's bytes before any long-value storage: checked, so that nothing is stored for a row
// that is then refused.
Result<ByteVector> plainCell(const Column& col, const Value& v, const std::string& table) {
  if (col.type == ColumnType::kText || col.type == ColumnType::kMemo) {
    return encodeNewText(col, v.text, table);
  }
  if (col.type == ColumnType::kBinary || col.type == ColumnType::kOle) {
    if (col.type == ColumnType::kBinary && v.bytes.size() > col.length) {
      return columnError(err::kDataOverflow, table, col, "the value is too long.");
    }
    return v.bytes;
  }
  return columnError(err::kUnsupported, table, col, "this type cannot be written.");
}

// Bytes a cell of `plain` takes in the row.
std::size_t cellSize(const Column& col, const ByteVector& plain) {
  if (!isLongValue(col)) return plain.size();
  return kLongValueDescriptor + (plain.size() <= kMaxInlineLongValue ? plain.size() : 0);
}

}  // namespace

Result<ByteVector> encodeNewRow(const TableDef& table, const std::vector<Value>& values,
                                LongValueStore& longValues) {
  if (values.size() != table.columns.size()) {
    return Error{err::kCantConvertValue,
                 "Table \"" + table.name + "\" has " + std::to_string(table.columns.size()) +
                     " columns; the row gives " + std::to_string(values.size()) + " values."};
  }
  std::size_t columnCount = 0;
  std::size_t varSlots = 0;
  for (const Column& c : table.columns) {
    columnCount = std::max<std::size_t>(columnCount, c.number + 1u);
    if (!c.fixed()) varSlots = std::max<std::size_t>(varSlots, c.varIndex + 1u);
  }
  RowLayout row;
  row.widen(static_cast<std::uint16_t>(columnCount), varSlots);
  row.hasVariableTable = varSlots > 0;
  row.fixed.assign(fixedAreaSize(table), 0);
  std::vector<std::size_t> variable;  // column indexes, by variable-table index
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const Column& col = table.columns[i];
    const Value& v = values[i];
    if (!col.fixed()) {
      variable.push_back(i);
    } else if (col.type == ColumnType::kBoolean) {
      if (!v.isNull && v.boolean) row.setNotNull(col.number, true);
    } else if (!v.isNull) {
      JET_TRY(putFixed(row.fixed, col, v, table.name));
      row.setNotNull(col.number, true);
    }
  }
  std::sort(variable.begin(), variable.end(), [&](std::size_t a, std::size_t b) {
    return table.columns[a].varIndex < table.columns[b].varIndex;
  });

  // First every cell's bytes, checked, and the row's size; only then long values are stored.
  std::size_t size =
      2 + row.fixed.size() + row.nullMask.size() + (varSlots > 0 ? 4 + 2 * varSlots : 0);
  for (std::size_t i : variable) {
    const Column& col = table.columns[i];
    if (values[i].isNull) continue;
    JET_ASSIGN_OR_RETURN(row.variable[col.varIndex], plainCell(col, values[i], table.name));
    size += cellSize(col, row.variable[col.varIndex]);
  }
  if (size > kMaxRowSize) {
    return Error{err::kRowTooLarge, "A row of table \"" + table.name + "\" needs " +
                                        std::to_string(size) + " bytes; at most " +
                                        std::to_string(kMaxRowSize) + " fit."};
  }
  // Then the long values are stored, and the parts joined.
  for (std::size_t i : variable) {
    const Column& col = table.columns[i];
    if (values[i].isNull) continue;
    row.setNotNull(col.number, true);
    if (!isLongValue(col)) continue;
    Result<ByteVector> d = encodeLongValue(row.variable[col.varIndex], col.number, longValues);
    if (!d.ok()) return columnError(d.error().number, table.name, col, d.error().description);
    row.variable[col.varIndex] = std::move(d).value();
  }
  return joinRow(row, false);
}

}  // namespace jet
