// row_codec.h: stored rows, for Jet3 and Jet4/ACE. A row is its column count, the fixed area,
// the variable data, the variable offsets (Jet3: one byte each and a jump table) with their
// count, and the null mask. Reading goes through RowFields, views into the row; editing through
// RowLayout, the row's parts as copies that join back into a row; new rows of tables this engine
// creates are built here too. Cells are the cell codec's; long values come through the
// long-value module.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/core/types.h"
#include "jet/row/cell_codec.h"
#include "jet/row/long_value.h"
#include "jet/schema/schema.h"

namespace jet {

// Whether column number `number` has a value in a null mask.
inline bool maskBit(Bytes nullMask, std::uint16_t number) {
  std::size_t byte = number / 8u;
  return byte < nullMask.size() && (nullMask[byte] & (1u << (number % 8u))) != 0;
}

// Where each part of a row lies.
struct RowFields {
  std::uint16_t columnCount = 0;          // columns the row was written with
  Bytes fixed;                            // from the first fixed column to the end of the row
  Bytes row;                              // the whole row
  std::vector<std::uint16_t> varOffsets;  // var count + 1 entries, offsets into `row`
  Bytes nullMask;
};

// Finds the parts of a row. Rows of a table without variable columns have no offset table. Only
// the sizes are checked here; the offsets are checked where they are used. The error description
// says what is wrong; the caller names file, table and page.
Result<RowFields> rowFields(Bytes row, const Format& f, bool hasVarColumns);
// The same into `out`, reusing its offset table.
Status readRowFields(Bytes row, const Format& f, bool hasVarColumns, RowFields& out);

// Rows are read in the context of their cells.
using RowContext = CellContext;

Result<std::vector<Value>> decodeRow(Bytes row, const TableDef& table, const RowContext& ctx);
// The same into `values`, whose strings and vectors keep their room: a scan that decodes every
// row into one Row allocates nothing per row once the longest values have been seen.
Status decodeRowInto(Bytes row, const TableDef& table, const RowContext& ctx,
                     std::vector<Value>& values);
// Only column `column` of the row (an index into table.columns) into `cell`, left null when the
// row has no value for it.
Status decodeCellOf(Bytes row, const TableDef& table, std::size_t column, const RowContext& ctx,
                    Value& cell);

// A row cut into its parts, to change and join again. Parts that are not changed join back byte
// for byte; values themselves are the caller's business.
struct RowLayout {
  std::uint16_t columnCount = 0;     // columns the row holds
  ByteVector fixed;                  // the fixed area, after the column count
  std::vector<ByteVector> variable;  // variable columns by variable-table index
  ByteVector nullMask;               // bit n set: column number n is not null
  bool hasVariableTable = true;      // false for tables without variable columns

  bool notNull(std::uint16_t columnNumber) const { return maskBit(nullMask, columnNumber); }
  void setNotNull(std::uint16_t columnNumber, bool value);
  // Grows the row to hold `columns` columns and `variables` variable slots (new ones null/empty).
  void widen(std::uint16_t columns, std::size_t variables);
};

// `tableHasVariableColumns`: whether the table defines variable columns (rows then carry the
// variable table even when it is empty). Every offset is checked.
Result<RowLayout> splitRow(Bytes row, const Format& f, bool tableHasVariableColumns);
// The stored bytes of `layout` (Jet3 rows get their jump table), and their number.
ByteVector joinRow(const RowLayout& layout, const Format& f);
std::size_t joinedSize(const RowLayout& layout, const Format& f);

// The stored bytes of a new row of a table this engine created (Jet4/ACE), one Value per column
// of `table` (in column order, members as types.h lists them); memos go inline or through
// `longValues`. Every cell is checked before the first long value is stored. Errors
// (kDataOverflow, kCantConvertValue, kRowTooLarge) name the table and the column.
Result<ByteVector> encodeNewRow(const TableDef& table, const std::vector<Value>& values,
                                LongValueStore& longValues);

}  // namespace jet
