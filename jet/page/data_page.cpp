// data_page.cpp: the row table of data pages, read, edited and filled. Header: type 1, 1, u16 free
// space, u32 owner (Jet4+: 4 more bytes), u16 row count, u16 row offsets; rows from the page end
// down. Layout: docs/format/data_page.md.
#include "jet/page/data_page.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr char kLongValueOwner[4] = {'L', 'V', 'A', 'L'};

std::size_t entryAt(const Format& f, std::size_t row) { return f.dataRowTable + 2 * row; }

// Where row `row` of a row table of `count` entries lies: from its own offset to the previous
// row's (row 0: to the page end). The table itself must lie inside the page.
struct Extent {
  std::size_t start = 0;
  std::size_t end = 0;
  bool inside = false;  // after the row table, inside the page, not reversed
};
Extent rowExtent(Bytes page, const Format& f, std::size_t count, std::size_t row) {
  Extent e;
  e.start = u16(page, entryAt(f, row)) & kRowOffsetMask;
  e.end = row == 0 ? page.size() : (u16(page, entryAt(f, row - 1)) & kRowOffsetMask);
  e.inside = e.start >= entryAt(f, count) && e.end <= page.size() && e.start <= e.end;
  return e;
}

}  // namespace

// Reading.

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
  std::uint16_t raw = u16(page, entryAt(f, row));
  Extent e = rowExtent(page, f, count, row);
  RowSlot slot;
  slot.deleted = (raw & kRowDeleted) != 0;
  slot.overflow = (raw & kRowOverflow) != 0;
  if (!e.inside) {
    if (slot.deleted) return slot;  // a deleted row may hold any offset; it is never read
    return Error{err::kBadPage, "row " + std::to_string(row) + " has offsets " +
                                    std::to_string(e.start) + ".." + std::to_string(e.end) +
                                    " outside the page"};
  }
  slot.bytes = page.subspan(e.start, e.end - e.start);
  return slot;
}

// Editing.

void DataPageEditor::initialise(Page& page, const Format& f, std::uint32_t owner,
                                bool longValue) {
  std::fill(page.begin(), page.end(), 0);
  page[0] = kPageTypeData;
  page[1] = kPageSecondByte;
  if (longValue) {
    std::memcpy(page.data() + kDataOwner, kLongValueOwner, sizeof kLongValueOwner);
  } else {
    put32(page, kDataOwner, owner);
  }
  put16(page, kDataFreeSpace, static_cast<std::uint16_t>(page.size() - f.dataRowTable));
}

std::size_t DataPageEditor::rowCount() const { return u16(page_, f_.dataRowCount); }

std::uint16_t DataPageEditor::entry(std::size_t row) const { return u16(page_, entryAt(f_, row)); }

std::uint16_t DataPageEditor::flags(std::size_t row) const {
  return static_cast<std::uint16_t>(entry(row) & (kRowDeleted | kRowOverflow));
}

std::uint32_t DataPageEditor::owner() const { return u32(page_, kDataOwner); }

std::optional<std::pair<std::size_t, std::size_t>> DataPageEditor::bounds(std::size_t row) const {
  std::size_t n = rowCount();
  if (row >= n || entryAt(f_, n) > page_.size()) return std::nullopt;
  Extent e = rowExtent(page_, f_, n, row);
  if (!e.inside) return std::nullopt;
  return std::make_pair(e.start, e.end);
}

std::span<const std::uint8_t> DataPageEditor::rowBytes(std::size_t row) const {
  auto b = bounds(row);
  if (!b) return {};
  return std::span<const std::uint8_t>(page_).subspan(b->first, b->second - b->first);
}

bool DataPageEditor::valid() const {
  const std::size_t n = rowCount();
  if (n == 0) return true;
  const std::size_t table = entryAt(f_, n);
  if (table > page_.size()) return false;
  std::size_t end = page_.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t start = u16(page_, entryAt(f_, i)) & kRowOffsetMask;
    if (start < table || start > end) return false;
    end = start;
  }
  return n <= kMaxRowsPerPage;
}

std::size_t DataPageEditor::freeSpace() const {
  std::size_t n = rowCount();
  std::size_t low = page_.size();
  if (n > 0) low = entry(n - 1) & kRowOffsetMask;
  std::size_t table = entryAt(f_, n);
  return low > table ? low - table : 0;
}

bool DataPageEditor::fits(std::size_t size) const {
  return rowCount() < kMaxRowsPerPage && freeSpace() >= size + 2;
}

bool DataPageEditor::replace(std::size_t row, std::span<const std::uint8_t> bytes,
                             std::uint16_t newFlags) {
  const std::size_t n = rowCount();
  if (row >= n || n > kMaxRowsPerPage || !valid()) return false;
  // The page is left laid out afresh: the rows packed from the end in order, the gap zeroed. A
  // row's extent runs to the start of the row before it, so the rows before the changed one
  // already lie where a fresh layout puts them; only the rows after it move, all by the change
  // in size, in one memmove. valid() has checked every extent.
  const std::size_t table = entryAt(f_, n);
  const std::size_t rowStart = entry(row) & kRowOffsetMask;
  const std::size_t rowEnd = row == 0 ? page_.size() : (entry(row - 1) & kRowOffsetMask);
  const std::size_t lowest = entry(n - 1) & kRowOffsetMask;
  const std::size_t used = table + (page_.size() - lowest) - (rowEnd - rowStart) + bytes.size();
  if (used > page_.size()) return false;
  thread_local std::vector<std::uint8_t> copy;  // for bytes that lie in this very page
  const std::uint8_t* const base = page_.data();
  if (!bytes.empty() && bytes.data() >= base && bytes.data() < base + page_.size()) {
    copy.assign(bytes.begin(), bytes.end());
    bytes = copy;
  }
  const std::size_t newStart = rowEnd - bytes.size();
  const std::size_t newLowest = newStart - (rowStart - lowest);
  std::memmove(page_.data() + newLowest, page_.data() + lowest, rowStart - lowest);
  if (!bytes.empty()) std::memcpy(page_.data() + newStart, bytes.data(), bytes.size());
  std::memset(page_.data() + table, 0, newLowest - table);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint16_t e = entry(i);
    const std::size_t start = i < row ? (e & kRowOffsetMask)
                              : i == row ? newStart
                                         : newStart - (rowStart - (e & kRowOffsetMask));
    const std::uint16_t rowFlags =
        i == row ? newFlags : static_cast<std::uint16_t>(e & (kRowDeleted | kRowOverflow));
    put16(page_, entryAt(f_, i), static_cast<std::uint16_t>(start | rowFlags));
  }
  put16(page_, kDataFreeSpace, static_cast<std::uint16_t>(page_.size() - used));
  return true;
}

std::optional<std::size_t> DataPageEditor::append(std::span<const std::uint8_t> bytes,
                                                  std::uint16_t newFlags) {
  if (!valid() || !fits(bytes.size())) return std::nullopt;
  std::size_t n = rowCount();
  std::size_t end = n == 0 ? page_.size() : (entry(n - 1) & kRowOffsetMask);
  std::size_t start = end - bytes.size();
  std::copy(bytes.begin(), bytes.end(), page_.begin() + static_cast<std::ptrdiff_t>(start));
  put16(page_, entryAt(f_, n), static_cast<std::uint16_t>(start | newFlags));
  put16(page_, f_.dataRowCount, static_cast<std::uint16_t>(n + 1));
  put16(page_, kDataFreeSpace, static_cast<std::uint16_t>(start - entryAt(f_, n + 1)));
  return n;
}

// Building.

PageFiller::PageFiller(const Format& f, std::uint32_t owner, bool longValues)
    : f_(f), owner_(owner), longValues_(longValues) {
  reset();
}

void PageFiller::reset() {
  page_.assign(f_.pageSize, 0);
  DataPageEditor::initialise(page_, f_, owner_, longValues_);
}

DataPageEditor PageFiller::editor() const {
  return DataPageEditor(const_cast<std::vector<std::uint8_t>&>(page_), f_);
}

std::uint16_t PageFiller::rowCount() const {
  return static_cast<std::uint16_t>(editor().rowCount());
}

bool PageFiller::fits(std::size_t size) const { return editor().fits(size); }

std::uint8_t PageFiller::add(std::span<const std::uint8_t> row) {
  std::optional<std::size_t> number = DataPageEditor(page_, f_).append(row, 0);
  return static_cast<std::uint8_t>(number.value_or(0));
}

}  // namespace jet
