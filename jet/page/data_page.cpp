// data_page.cpp: the row table of data pages. Layout: docs/format/data_page.md.
#include "jet/page/data_page.h"

#include <string>

#include "jet/core/error_codes.h"

namespace jet {

Result<std::uint16_t> dataRowCount(Bytes page, const Format& f) {
  if (page.empty() || page[0] != kPageTypeData) {
    return Error{err::kBadPage, "not a data page"};
  }
  std::uint16_t count = 0;
  if (!readU16(page, f.dataRowCount, count) ||
      !inBounds(page, f.dataRowTable, std::size_t{count} * 2)) {
    return Error{err::kBadPage, "row table larger than the page"};
  }
  return count;
}

Result<RowSlot> dataRow(Bytes page, const Format& f, std::uint16_t row) {
  JET_ASSIGN_OR_RETURN(std::uint16_t count, dataRowCount(page, f));
  if (row >= count) {
    return Error{err::kBadPage, "no row " + std::to_string(row) + " (the page holds " +
                                    std::to_string(count) + ")"};
  }
  std::uint16_t raw = u16(page, f.dataRowTable + 2 * std::size_t{row});
  std::size_t start = raw & kRowOffsetMask;
  std::size_t end = page.size();
  // A row ends where the previous live-or-deleted row starts; row 0 ends at the page end.
  if (row > 0) end = u16(page, f.dataRowTable + 2 * std::size_t{row - 1u}) & kRowOffsetMask;
  std::size_t tableEnd = f.dataRowTable + 2 * std::size_t{count};
  RowSlot slot;
  slot.deleted = (raw & kRowDeleted) != 0;
  slot.overflow = (raw & kRowOverflow) != 0;
  if (start < tableEnd || end > page.size() || start > end) {
    if (slot.deleted) return slot;  // a deleted row may hold any offset; it is never read
    return Error{err::kBadPage, "row " + std::to_string(row) + " has offsets " +
                                    std::to_string(start) + ".." + std::to_string(end) +
                                    " outside the page"};
  }
  slot.bytes = page.subspan(start, end - start);
  return slot;
}

}  // namespace jet
