// data_page.h: the row table of a data page (type 1): how many rows, where each row's bytes lie
// and its deleted/overflow flags, every bound checked. Row contents belong to the row codec.
#pragma once

#include <cstdint>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/status.h"

namespace jet {

inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowOverflow = 0x4000;
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

struct RowSlot {
  bool deleted = false;
  bool overflow = false;
  Bytes bytes;  // the row's bytes inside the page
};

// Number of rows in the row table; an error when the table cannot fit in the page.
Result<std::uint16_t> dataRowCount(Bytes page, const Format& f);
// Row `row` of a data page. The description of an error says what is wrong, without file
// or page: the caller adds those.
Result<RowSlot> dataRow(Bytes page, const Format& f, std::uint16_t row);

// A row pointer as stored in usage-map, long-value and overflow pointers: row byte + 3-byte page.
struct RowPointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
};
inline RowPointer splitPointer(std::uint32_t raw) {
  return {raw >> 8, static_cast<std::uint8_t>(raw & 0xFF)};
}

}  // namespace jet
