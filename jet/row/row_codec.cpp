// row_codec.cpp: finding, decoding, splitting, joining and building rows. Layout:
// docs/format/row.md.
#include "jet/row/row_codec.h"

#include <algorithm>
#include <string>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

Error damaged(const std::string& why) { return Error{err::kBadPage, "damaged row: " + why}; }

// Jet3 rows carry one jump-table entry per 256 bytes of row.
constexpr std::size_t kJumpSpan = 256;

std::size_t word(Bytes b, std::size_t at, std::size_t width) {
  return width == 1 ? u8(b, at) : u16(b, at);
}

void putWord(std::span<std::uint8_t> b, std::size_t at, std::size_t width, std::size_t v) {
  if (width == 1) {
    put8(b, at, static_cast<std::uint8_t>(v & 0xFF));
  } else {
    put16(b, at, static_cast<std::uint16_t>(v));
  }
}

// The variable offsets 0..n (entry n is the end of the data), read back to front from before
// the variable count. In Jet3 each offset is a low byte: the jump table, between the offsets and
// the count, names for each 256-byte boundary the first offset at or past it.
Status readOffsets(Bytes row, const Format& f, std::size_t mask, RowFields& out) {
  const std::size_t size = row.size();
  const std::size_t w = f.rowColumnCountSize;
  if (size < w + mask + w) return damaged("no room for the variable count");
  const std::size_t n = word(row, size - mask - w, w);
  std::size_t jumps = f.jet3 ? (size - 1) / kJumpSpan : 0;
  if (size < w + mask + w + jumps + w * (n + 1))
    return damaged("variable table larger than the row");
  const std::size_t first = size - mask - w - jumps - w;   // offset of variable column 0
  if (f.jet3 && (first - n) / kJumpSpan < jumps) --jumps;  // the last entry is a placeholder
  out.varOffsets.resize(n + 1);
  std::size_t passed = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    while (passed < jumps && row[size - mask - w - 1 - passed] == i) ++passed;
    out.varOffsets[i] =
        static_cast<std::uint16_t>(word(row, first - w * i, w) + kJumpSpan * passed);
  }
  return {};
}

// Reading.

Result<Bytes> fixedBytes(const RowFields& r, const Column& col) {
  std::size_t at = r.row.size() - r.fixed.size() + col.fixedOffset;
  // Calculated values are wrapped and take the column's whole declared length.
  std::size_t len = col.calculated() ? col.length : fixedSize(col.type, col.length);
  if (!inBounds(r.row, at, len)) {
    return damaged("column '" + col.name + "' lies past the end of its row");
  }
  return r.row.subspan(at, len);
}

Result<Bytes> varBytes(const RowFields& r, const Column& col) {
  std::size_t start = r.varOffsets[col.varIndex];
  std::size_t end = r.varOffsets[col.varIndex + 1u];
  if (start > end || end > r.row.size()) {
    return damaged("column '" + col.name + "' has offsets " + std::to_string(start) + ".." +
                   std::to_string(end) + " outside its row");
  }
  return r.row.subspan(start, end - start);
}

Status decodeColumn(const RowFields& r, const Column& col, const RowContext& ctx, Value& v) {
  bool present = col.number < r.columnCount && maskBit(r.nullMask, col.number);
  if (col.type == ColumnType::kBoolean && !col.calculated()) {
    v.isNull = false;
    v.boolean = present;
    return {};
  }
  if (!present) return {};
  Bytes raw;
  if (col.fixed()) {
    JET_ASSIGN_OR_RETURN(raw, fixedBytes(r, col));
  } else {
    if (std::size_t{col.varIndex} + 1 >= r.varOffsets.size()) return {};  // added after the row
    JET_ASSIGN_OR_RETURN(raw, varBytes(r, col));
  }
  Status s = decodeCell(col, raw, ctx, v);
  if (!s.ok()) return damaged("column '" + col.name + "': " + s.description());
  return {};
}

// Joining: the number of jump-table entries of a Jet3 row of `size` bytes without them.
std::size_t jumpCount(std::size_t size) {
  std::size_t jumps = 0;
  while (jumps != (size + jumps - 1) / kJumpSpan) ++jumps;
  return jumps;
}

struct JoinedSize {
  std::size_t total = 0;
  std::size_t jumps = 0;
};

JoinedSize measure(const RowLayout& r, const Format& f) {
  const std::size_t w = f.rowColumnCountSize;
  std::size_t size = w + r.fixed.size() + r.nullMask.size();
  if (!r.hasVariableTable) return {size, 0};
  for (const auto& v : r.variable) size += v.size();
  size += w * (r.variable.size() + 2);  // the offsets, the end of the data and the count
  std::size_t jumps = f.jet3 ? jumpCount(size) : 0;
  return {size + jumps, jumps};
}

}  // namespace

Status readRowFields(Bytes row, const Format& f, bool hasVarColumns, RowFields& out) {
  const std::size_t countSize = f.rowColumnCountSize;
  if (row.size() < countSize) return damaged("shorter than its column count");
  out.row = row;
  out.columnCount = static_cast<std::uint16_t>(word(row, 0, countSize));
  std::size_t maskLen = (std::size_t{out.columnCount} + 7) / 8;
  if (row.size() < countSize + maskLen) return damaged("null mask larger than the row");
  out.varOffsets.clear();
  if (hasVarColumns) JET_TRY(readOffsets(row, f, maskLen, out));
  out.nullMask = row.subspan(row.size() - maskLen, maskLen);
  out.fixed = row.subspan(countSize);
  return {};
}

Result<RowFields> rowFields(Bytes row, const Format& f, bool hasVarColumns) {
  RowFields out;
  JET_TRY(readRowFields(row, f, hasVarColumns, out));
  return out;
}

Result<std::vector<Value>> decodeRow(Bytes row, const TableDef& table, const RowContext& ctx) {
  std::vector<Value> values;
  JET_TRY(decodeRowInto(row, table, ctx, values));
  return values;
}

Status decodeCellOf(Bytes row, const TableDef& table, std::size_t column, const RowContext& ctx,
                    Value& cell) {
  thread_local RowFields fields;
  JET_TRY(readRowFields(row, ctx.format, table.varColumnCount > 0, fields));
  return decodeColumn(fields, table.columns[column], ctx, cell);
}

Status decodeRowInto(Bytes row, const TableDef& table, const RowContext& ctx,
                     std::vector<Value>& values) {
  thread_local RowFields fields;  // its offset table's room is reused from row to row
  JET_TRY(readRowFields(row, ctx.format, table.varColumnCount > 0, fields));
  values.resize(table.columns.size());
  for (std::size_t n = 0; n < table.columns.size(); ++n) {
    Value& v = values[n];
    v.isNull = true;
    v.boolean = false;
    v.integer = 0;
    v.real = 0.0;
    v.text.clear();
    v.bytes.clear();
    JET_TRY(decodeColumn(fields, table.columns[n], ctx, v));
  }
  return {};
}

void RowLayout::setNotNull(std::uint16_t columnNumber, bool value) {
  std::size_t byte = columnNumber / 8u;
  auto bit = static_cast<std::uint8_t>(1u << (columnNumber % 8u));
  if (value) {
    nullMask[byte] = static_cast<std::uint8_t>(nullMask[byte] | bit);
  } else {
    nullMask[byte] = static_cast<std::uint8_t>(nullMask[byte] & ~bit);
  }
}

void RowLayout::widen(std::uint16_t columns, std::size_t variables) {
  if (columns > columnCount) {
    columnCount = columns;
    nullMask.resize((columnCount + 7u) / 8u, 0);
  }
  if (variables > variable.size()) variable.resize(variables);
}

Result<RowLayout> splitRow(Bytes row, const Format& f, bool tableHasVariableColumns) {
  JET_ASSIGN_OR_RETURN(RowFields parts, rowFields(row, f, tableHasVariableColumns));
  const std::size_t countSize = f.rowColumnCountSize;
  RowLayout out;
  out.hasVariableTable = tableHasVariableColumns;
  out.columnCount = parts.columnCount;
  out.nullMask.assign(parts.nullMask.begin(), parts.nullMask.end());
  if (!tableHasVariableColumns) {
    out.fixed.assign(row.begin() + static_cast<std::ptrdiff_t>(countSize),
                     row.end() - static_cast<std::ptrdiff_t>(parts.nullMask.size()));
    return out;
  }
  const auto& o = parts.varOffsets;
  const std::size_t n = o.size() - 1;
  if (o[0] < countSize || o[n] > row.size()) return damaged("variable offsets out of range");
  for (std::size_t i = 0; i < n; ++i) {
    if (o[i] > o[i + 1]) return damaged("variable offsets out of order");
  }
  out.fixed.assign(row.begin() + static_cast<std::ptrdiff_t>(countSize), row.begin() + o[0]);
  out.variable.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    out.variable[i].assign(row.begin() + o[i], row.begin() + o[i + 1]);
  }
  return out;
}

std::size_t joinedSize(const RowLayout& layout, const Format& f) {
  return measure(layout, f).total;
}

ByteVector joinRow(const RowLayout& layout, const Format& f) {
  const std::size_t w = f.rowColumnCountSize;
  const JoinedSize size = measure(layout, f);
  const std::size_t mask = layout.nullMask.size();
  ByteVector out(size.total, 0);
  putWord(out, 0, w, layout.columnCount);
  std::copy(layout.fixed.begin(), layout.fixed.end(), out.begin() + static_cast<std::ptrdiff_t>(w));
  std::copy(layout.nullMask.begin(), layout.nullMask.end(),
            out.end() - static_cast<std::ptrdiff_t>(mask));
  if (!layout.hasVariableTable) return out;
  const std::size_t n = layout.variable.size();
  putWord(out, size.total - mask - w, w, n);
  // Jump entry j: the first offset at or past 256 * (j + 1); 0xFF when none is.
  const std::size_t jumpTable = size.total - mask - w - 1;  // entry j at jumpTable - j
  for (std::size_t j = 0; j < size.jumps; ++j) out[jumpTable - j] = 0xFF;
  const std::size_t first = size.total - mask - w - size.jumps - w;  // offset of column 0
  std::size_t at = w + layout.fixed.size();
  std::size_t jump = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    while (jump < size.jumps && at >= kJumpSpan * (jump + 1)) {
      out[jumpTable - jump++] = static_cast<std::uint8_t>(i);
    }
    putWord(out, first - w * i, w, at);
    if (i == n) break;
    const ByteVector& v = layout.variable[i];
    std::copy(v.begin(), v.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    at += v.size();
  }
  return out;
}

// Building rows of new tables.

namespace {

Error columnError(std::int32_t number, const std::string& table, const Column& col,
                  const std::string& what) {
  return Error{number, "Column \"" + col.name + "\" of table \"" + table + "\": " + what};
}

bool isLongValue(const Column& col) {
  return col.type == ColumnType::kMemo || col.type == ColumnType::kOle;
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

// Bytes a cell of `plain` takes in the row.
std::size_t cellSize(const Column& col, const ByteVector& plain) {
  if (!isLongValue(col)) return plain.size();
  return kLongValueDescriptorSize + (plain.size() <= kMaxInlineLongValue ? plain.size() : 0);
}

}  // namespace

Result<ByteVector> encodeNewRow(const TableDef& table, const std::vector<Value>& values,
                                LongValueStore& longValues) {
  const Format& f = kFormatJet4;
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
      Status s = encodeFixedCell(row.fixed, col, v);
      if (!s.ok()) return columnError(s.number(), table.name, col, s.description());
      row.setNotNull(col.number, true);
    }
  }
  std::sort(variable.begin(), variable.end(), [&](std::size_t a, std::size_t b) {
    return table.columns[a].varIndex < table.columns[b].varIndex;
  });

  // First every cell's bytes, checked, and the row's size; only then long values are stored.
  std::size_t size = joinedSize(row, f);
  for (std::size_t i : variable) {
    const Column& col = table.columns[i];
    if (values[i].isNull) continue;
    auto cell = encodeVariableCell(col, values[i], f, 0);
    if (!cell.ok()) {
      return columnError(cell.error().number, table.name, col, cell.error().description);
    }
    row.variable[col.varIndex] = std::move(cell).value();
    size += cellSize(col, row.variable[col.varIndex]);
  }
  if (size > f.maxRowSize) {
    return Error{err::kRowTooLarge, "A row of table \"" + table.name + "\" needs " +
                                        std::to_string(size) + " bytes; at most " +
                                        std::to_string(f.maxRowSize) + " fit."};
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
  return joinRow(row, f);
}

}  // namespace jet
