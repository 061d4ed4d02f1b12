// new_row_encoder.h: the stored bytes of a new row of a table this engine created (Jet4/ACE):
// fixed area, variable data and offsets, null mask; memos inline or through a LongValueStore.
// Placing rows on pages is the caller's job.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/status.h"

namespace jet {

inline constexpr std::size_t kMaxRowSize = 4060;  // Jet4/ACE
inline constexpr std::size_t kLongValueDescriptor = 12;
inline constexpr std::size_t kMaxInlineLongValue = 64;
inline constexpr std::size_t kMaxLongValueRow = 4076;    // one row on a long-value page
inline constexpr std::size_t kMaxCompressedMemo = 1024;  // characters; longer memos stay plain

// Keeps the rows of long values. store() puts one row of column `column`'s value on a long-value
// page and returns its pointer (row number in the low byte, page above).
class LongValueStore {
 public:
  virtual ~LongValueStore() = default;
  virtual Result<std::uint32_t> store(std::uint16_t column, std::span<const std::uint8_t> row) = 0;
};

// The bytes a text or memo column stores for `utf8`: compressed UCS-2 when the column allows it
// and the text is short enough, else UCS-2. kDataOverflow when a text is longer than the column.
Result<std::vector<std::uint8_t>> encodeNewText(const Column& col, const std::string& utf8,
                                                const std::string& table);

// The 12-byte descriptor of a memo value (plus the data itself when it goes inline), storing
// longer values in one row or a chain of rows through `store`.
Result<std::vector<std::uint8_t>> encodeLongValue(std::span<const std::uint8_t> data,
                                                  std::uint16_t column, LongValueStore& store);

// One Value per column of `table` (in column order, members as types.h lists them). Errors
// (kDataOverflow, kCantConvertValue, kRowTooLarge) name the table and the column.
Result<std::vector<std::uint8_t>> encodeNewRow(const TableDef& table,
                                               const std::vector<Value>& values,
                                               LongValueStore& longValues);

}  // namespace jet
