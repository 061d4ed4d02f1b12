// row_codec.cpp: splitting and decoding rows. Layout: docs/format/row.md.
#include "jet/row/row_codec.h"

#include <string>

#include "jet/row/cell_codec.h"
#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

Error rowError(const std::string& what) { return Error{err::kBadPage, what}; }

// Jet4+: u16 counts and offsets, no jump table.
Status splitJet4(Bytes row, std::size_t maskLen, RowFields& out) {
  const std::size_t size = row.size();
  if (size < 2 + maskLen + 2) return rowError("row too short for its null mask");
  std::size_t varCount = u16(row, size - maskLen - 2);
  if (size < 2 + maskLen + 2 + 2 * (varCount + 1)) return rowError("row too short for its offsets");
  for (std::size_t i = 0; i <= varCount; ++i) {
    out.varOffsets.push_back(u16(row, size - maskLen - 4 - 2 * i));
  }
  return {};
}

// Jet3: u8 counts and offsets; a jump table adds 256 per boundary passed.
Status splitJet3(Bytes row, std::size_t maskLen, RowFields& out) {
  const std::size_t size = row.size();
  if (size < 1 + maskLen + 1) return rowError("row too short for its null mask");
  std::size_t varCount = row[size - maskLen - 1];
  std::size_t jumps = (size - 1) / 256;
  if (size < 1 + maskLen + 1 + jumps + varCount + 1)
    return rowError("row too short for its offsets");
  std::size_t first = size - maskLen - jumps - 2;  // offset of variable column 0
  if ((first - varCount) / 256 < jumps) --jumps;   // the last jump entry is a placeholder
  std::size_t used = 0;
  for (std::size_t i = 0; i <= varCount; ++i) {
    while (used < jumps && row[size - maskLen - 2 - used] == i) ++used;
    out.varOffsets.push_back(static_cast<std::uint16_t>(row[first - i] + 256 * used));
  }
  return {};
}

Result<Bytes> fixedBytes(const RowFields& r, const Column& col) {
  std::size_t at = r.row.size() - r.fixed.size() + col.fixedOffset;
  // Calculated values are wrapped and take the column's whole declared length.
  std::size_t len = col.calculated() ? col.length : fixedSize(col.type, col.length);
  if (!inBounds(r.row, at, len)) {
    return rowError("column '" + col.name + "' lies past the end of its row");
  }
  return r.row.subspan(at, len);
}

Result<Bytes> varBytes(const RowFields& r, const Column& col) {
  std::size_t start = r.varOffsets[col.varIndex];
  std::size_t end = r.varOffsets[col.varIndex + 1u];
  if (start > end || end > r.row.size()) {
    return rowError("column '" + col.name + "' has offsets " + std::to_string(start) + ".." +
                    std::to_string(end) + " outside its row");
  }
  return r.row.subspan(start, end - start);
}

bool maskBit(const RowFields& r, std::uint16_t number) {
  std::size_t byte = number / 8u;
  return byte < r.nullMask.size() && (r.nullMask[byte] & (1u << (number % 8u))) != 0;
}

Status decodeColumn(const RowFields& r, const Column& col, const RowContext& ctx, Value& v) {
  bool present = col.number < r.columnCount && maskBit(r, col.number);
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
  CellContext cell{ctx.format.jet3, ctx.codePage, ctx.longValues};
  Status s = decodeCell(col, raw, cell, v);
  if (!s.ok()) return rowError("column '" + col.name + "': " + s.description());
  return {};
}

}  // namespace

Result<RowFields> splitRow(Bytes row, const Format& f, bool hasVarColumns) {
  const std::size_t countSize = f.rowColumnCountSize;
  if (row.size() < countSize + 2) return rowError("row too short");
  RowFields out;
  out.row = row;
  out.columnCount = countSize == 1 ? row[0] : u16(row, 0);
  std::size_t maskLen = (std::size_t{out.columnCount} + 7) / 8;
  if (row.size() < countSize + maskLen) return rowError("row too short for its null mask");
  if (hasVarColumns) {
    JET_TRY(f.jet3 ? splitJet3(row, maskLen, out) : splitJet4(row, maskLen, out));
  }
  out.nullMask = row.subspan(row.size() - maskLen, maskLen);
  out.fixed = row.subspan(countSize);
  return out;
}

Result<std::vector<Value>> decodeRow(Bytes row, const TableDef& table, const RowContext& ctx) {
  JET_ASSIGN_OR_RETURN(RowFields fields, splitRow(row, ctx.format, table.varColumnCount > 0));
  std::vector<Value> values(table.columns.size());
  for (std::size_t n = 0; n < table.columns.size(); ++n) {
    JET_TRY(decodeColumn(fields, table.columns[n], ctx, values[n]));
  }
  return values;
}

}  // namespace jet
