// row_codec.h: a stored row -> one Value per column: the column count, fixed area, variable
// offsets (Jet3 jump tables included) and null mask. Long values come through LongValueSource.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/schema/schema.h"
#include "jet/core/format.h"
#include "jet/core/status.h"

namespace jet {

// Resolves the 12-byte descriptor of a memo/OLE cell to the value's bytes.
class LongValueSource {
 public:
  virtual ~LongValueSource() = default;
  virtual Result<std::vector<std::uint8_t>> read(Bytes descriptor) const = 0;
};

// Where each column's bytes lie in a row.
struct RowFields {
  std::uint16_t columnCount = 0;  // columns the row was written with
  Bytes fixed;                    // from the first fixed column to the end of the fixed data
  Bytes row;                      // the whole row
  std::vector<std::uint16_t> varOffsets;  // var count + 1 entries, offsets into `row`
  Bytes nullMask;
};

// Splits a row. Rows of a table without variable columns have no offset table. The error
// description says what is wrong; the caller names file, table and page.
Result<RowFields> splitRow(Bytes row, const Format& f, bool hasVarColumns);

struct RowContext {
  const Format& format;
  std::uint16_t codePage = 0;  // Jet3 text
  const LongValueSource& longValues;
};

Result<std::vector<Value>> decodeRow(Bytes row, const TableDef& table, const RowContext& ctx);

}  // namespace jet
