// data_page_editor.cpp: row table editing. Header: type 1, 0x01, u16 free space @2, u32 owner @4
// (Jet4+: 4 more bytes), u16 row count @8/12, u16 row offsets from @10/14.
#include "jet/page/data_page_editor.h"

#include <algorithm>
#include <cstring>

namespace jet {
namespace {

void put16(Page& p, std::size_t at, std::uint16_t v) {
  p[at] = static_cast<std::uint8_t>(v & 0xFF);
  p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
std::uint16_t get16(const Page& p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}

}  // namespace

void DataPageEditor::initialise(Page& page, bool jet3, std::uint32_t owner, bool longValue) {
  std::fill(page.begin(), page.end(), 0);
  page[0] = kPageTypeData;
  page[1] = 0x01;
  if (longValue) {
    std::memcpy(page.data() + 4, "LVAL", 4);
  } else {
    for (std::size_t i = 0; i < 4; ++i) page[4 + i] = static_cast<std::uint8_t>(owner >> (8 * i));
  }
  std::size_t header = formatFor(jet3 ? Version::kJet3 : Version::kJet4).dataRowTable;
  put16(page, 2, static_cast<std::uint16_t>(page.size() - header));
}

std::size_t DataPageEditor::rowCount() const { return get16(page_, countAt()); }

std::uint16_t DataPageEditor::entry(std::size_t row) const {
  return get16(page_, rowTable() + 2 * row);
}

std::uint16_t DataPageEditor::flags(std::size_t row) const {
  return static_cast<std::uint16_t>(entry(row) & (kRowDeleted | kRowOverflow));
}

std::uint32_t DataPageEditor::owner() const {
  return static_cast<std::uint32_t>(page_[4] | (page_[5] << 8) | (page_[6] << 16)) |
         (static_cast<std::uint32_t>(page_[7]) << 24);
}

std::optional<std::pair<std::size_t, std::size_t>> DataPageEditor::bounds(std::size_t row) const {
  std::size_t n = rowCount();
  if (row >= n || rowTable() + 2 * n > page_.size()) return std::nullopt;
  std::size_t start = entry(row) & kRowOffsetMask;
  std::size_t end = row == 0 ? page_.size() : (entry(row - 1) & kRowOffsetMask);
  if (start > end || end > page_.size() || start < rowTable() + 2 * n) return std::nullopt;
  return std::make_pair(start, end);
}

std::span<const std::uint8_t> DataPageEditor::rowBytes(std::size_t row) const {
  auto b = bounds(row);
  if (!b) return {};
  return std::span<const std::uint8_t>(page_).subspan(b->first, b->second - b->first);
}

bool DataPageEditor::valid() const {
  for (std::size_t i = 0; i < rowCount(); ++i) {
    if (!bounds(i)) return false;
  }
  return rowCount() <= kMaxRowsPerPage;
}

std::size_t DataPageEditor::freeSpace() const {
  std::size_t n = rowCount();
  std::size_t low = page_.size();
  if (n > 0) low = entry(n - 1) & kRowOffsetMask;
  std::size_t table = rowTable() + 2 * n;
  return low > table ? low - table : 0;
}

bool DataPageEditor::fits(std::size_t size) const {
  return rowCount() < kMaxRowsPerPage && freeSpace() >= size + 2;
}

bool DataPageEditor::rebuild(std::vector<std::vector<std::uint8_t>> rows,
                             std::vector<std::uint16_t> rowFlags) {
  std::size_t used = rowTable() + 2 * rows.size();
  for (const auto& r : rows) used += r.size();
  if (used > page_.size() || rows.size() > kMaxRowsPerPage) return false;
  Page fresh(page_.begin(), page_.begin() + static_cast<std::ptrdiff_t>(rowTable()));
  fresh.resize(page_.size(), 0);
  std::size_t end = page_.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    end -= rows[i].size();
    std::copy(rows[i].begin(), rows[i].end(), fresh.begin() + static_cast<std::ptrdiff_t>(end));
    put16(fresh, rowTable() + 2 * i, static_cast<std::uint16_t>(end | rowFlags[i]));
  }
  put16(fresh, countAt(), static_cast<std::uint16_t>(rows.size()));
  put16(fresh, 2, static_cast<std::uint16_t>(page_.size() - used));
  page_ = std::move(fresh);
  return true;
}

bool DataPageEditor::replace(std::size_t row, std::span<const std::uint8_t> bytes,
                             std::uint16_t newFlags) {
  if (row >= rowCount() || !valid()) return false;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::uint16_t> rowFlags;
  for (std::size_t i = 0; i < rowCount(); ++i) {
    auto r = rowBytes(i);
    rows.emplace_back(r.begin(), r.end());
    rowFlags.push_back(flags(i));
  }
  rows[row].assign(bytes.begin(), bytes.end());
  rowFlags[row] = newFlags;
  return rebuild(std::move(rows), std::move(rowFlags));
}

std::optional<std::size_t> DataPageEditor::append(std::span<const std::uint8_t> bytes,
                                                  std::uint16_t newFlags) {
  if (!valid() || !fits(bytes.size())) return std::nullopt;
  std::size_t n = rowCount();
  std::size_t end = n == 0 ? page_.size() : (entry(n - 1) & kRowOffsetMask);
  std::size_t start = end - bytes.size();
  std::copy(bytes.begin(), bytes.end(), page_.begin() + static_cast<std::ptrdiff_t>(start));
  put16(page_, rowTable() + 2 * n, static_cast<std::uint16_t>(start | newFlags));
  put16(page_, countAt(), static_cast<std::uint16_t>(n + 1));
  put16(page_, 2, static_cast<std::uint16_t>(start - rowTable() - 2 * (n + 1)));
  return n;
}

}  // namespace jet
