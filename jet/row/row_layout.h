// row_layout.h: a stored row cut into its parts (column count, fixed area, variable columns by
// variable-table index, null mask) and joined again, for Jet3 and Jet4/ACE rows; new rows are
// joined here too. Parts that are not changed come back byte for byte; values themselves are the
// caller's business.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/core/status.h"

namespace jet {

using ByteVector = std::vector<std::uint8_t>;

struct RowLayout {
  std::uint16_t columnCount = 0;     // columns the row holds
  ByteVector fixed;                  // the fixed area, after the column count
  std::vector<ByteVector> variable;  // variable columns by variable-table index
  ByteVector nullMask;               // bit n set: column number n is not null
  bool hasVariableTable = true;      // false for tables without variable columns

  bool notNull(std::uint16_t columnNumber) const;
  void setNotNull(std::uint16_t columnNumber, bool value);
  // Grows the row to hold `columns` columns and `variables` variable slots (new ones null/empty).
  void widen(std::uint16_t columns, std::size_t variables);
};

// `tableHasVariableColumns`: whether the table defines variable columns (rows then carry the
// variable table even when it is empty).
Result<RowLayout> splitRow(std::span<const std::uint8_t> row, bool jet3,
                           bool tableHasVariableColumns);
// The stored bytes of `layout` (Jet3 rows get their jump table).
ByteVector joinRow(const RowLayout& layout, bool jet3);

}  // namespace jet
