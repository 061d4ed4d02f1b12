// usage_map_editor.cpp: map row = type byte (0 inline, 1 reference) then, inline, u32 start page
// and a bitmap (lowest bit first), or, by reference, u32 numbers of type-5 pages whose bitmap
// starts at byte 4 and covers (page size - 4) * 8 pages each.
#include "jet/usage_map_editor.h"

#include <string>

#include "jet/data_page_editor.h"
#include "jet/error_codes.h"

namespace jet {
namespace {

std::uint32_t get32(const Page& p, std::size_t at) {
  return static_cast<std::uint32_t>(p[at]) | (static_cast<std::uint32_t>(p[at + 1]) << 8) |
         (static_cast<std::uint32_t>(p[at + 2]) << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
}
void put32(Page& p, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
bool bit(const Page& p, std::size_t at, std::uint32_t index) {
  return (p[at + index / 8] & (1u << (index % 8))) != 0;
}
void setBit(Page& p, std::size_t at, std::uint32_t index, bool on) {
  auto mask = static_cast<std::uint8_t>(1u << (index % 8));
  auto& byte = p[at + index / 8];
  byte = static_cast<std::uint8_t>(on ? (byte | mask) : (byte & ~mask));
}

}  // namespace

std::string UsageMapEditor::describe() const {
  return "usage map at page " + std::to_string(where_.page) + " row " + std::to_string(where_.row);
}

std::uint32_t UsageMapEditor::pagesPerReferencePage() const {
  return (pages_.pageSize() - 4) * 8;
}

Result<UsageMapEditor::Row> UsageMapEditor::loadRow() const {
  Row row;
  JET_ASSIGN_OR_RETURN(row.page, pages_.read(where_.page));
  DataPageEditor data(row.page, jet3_);
  auto b = data.bounds(where_.row);
  if (row.page[0] != 0x01 || !b || b->second - b->first < 5) {
    return Error{err::kBadPage, "the " + describe() + " is damaged"};
  }
  row.start = b->first;
  row.end = b->second;
  std::uint8_t type = row.page[row.start];
  if (type > 1) return Error{err::kBadPage, "the " + describe() + " has an unknown type"};
  return row;
}

Result<std::pair<std::uint32_t, std::uint32_t>> UsageMapEditor::range() const {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  if (row.page[row.start] == 1) {
    auto slots = static_cast<std::uint32_t>((row.end - row.start - 1) / 4);
    return std::make_pair(0u, slots * pagesPerReferencePage());
  }
  std::uint32_t first = get32(row.page, row.start + 1);
  auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
  return std::make_pair(first, first + bits);
}

Result<bool> UsageMapEditor::contains(std::uint32_t page, bool outside) const {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  if (row.page[row.start] == 0) {
    std::uint32_t first = get32(row.page, row.start + 1);
    auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
    if (page < first || page - first >= bits) return outside;
    return bit(row.page, row.start + 5, page - first);
  }
  std::uint32_t per = pagesPerReferencePage();
  std::size_t slot = row.start + 1 + 4 * (page / per);
  if (slot + 4 > row.end) return outside;
  std::uint32_t mapPage = get32(row.page, slot);
  if (mapPage == 0) return outside;
  JET_ASSIGN_OR_RETURN(Page map, pages_.read(mapPage));
  if (map[0] != 0x05) return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
  return bit(map, 4, page % per);
}

Result<std::vector<std::uint32_t>> UsageMapEditor::pages() const {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  std::vector<std::uint32_t> out;
  if (row.page[row.start] == 0) {
    std::uint32_t first = get32(row.page, row.start + 1);
    auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
    for (std::uint32_t i = 0; i < bits; ++i) {
      if (bit(row.page, row.start + 5, i)) out.push_back(first + i);
    }
    return out;
  }
  std::uint32_t per = pagesPerReferencePage();
  for (std::size_t slot = row.start + 1, k = 0; slot + 4 <= row.end; slot += 4, ++k) {
    std::uint32_t mapPage = get32(row.page, slot);
    if (mapPage == 0) continue;
    JET_ASSIGN_OR_RETURN(Page map, pages_.read(mapPage));
    if (map[0] != 0x05) return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
    for (std::uint32_t i = 0; i < per; ++i) {
      if (bit(map, 4, i)) out.push_back(static_cast<std::uint32_t>(k) * per + i);
    }
  }
  return out;
}

Status UsageMapEditor::set(std::uint32_t page, bool on) {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  if (row.page[row.start] == 0) return setInline(row, page, on);
  return setReference(row, page, on);
}

Status UsageMapEditor::setInline(Row& row, std::uint32_t page, bool on) {
  std::uint32_t first = get32(row.page, row.start + 1);
  auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
  if (page >= first && page - first < bits) {
    setBit(row.page, row.start + 5, page - first, on);
    return pages_.write(where_.page, std::move(row.page));
  }
  if (!on) return Status::success();  // outside the range: already clear
  // Slide the window so that every listed page and the new one fit, start a multiple of 8.
  JET_ASSIGN_OR_RETURN(auto listed, pages());
  std::uint32_t low = page;
  std::uint32_t high = page;
  for (auto p : listed) {
    low = std::min(low, p);
    high = std::max(high, p);
  }
  std::uint32_t start = (low / 8) * 8;
  if (high - start >= bits) {
    return Error{err::kUnsupported, "the " + describe() +
                                        " cannot list one more page; compact the database in "
                                        "Access, then try again"};
  }
  std::fill(row.page.begin() + static_cast<std::ptrdiff_t>(row.start + 5),
            row.page.begin() + static_cast<std::ptrdiff_t>(row.end), 0);
  put32(row.page, row.start + 1, start);
  listed.push_back(page);
  for (auto p : listed) setBit(row.page, row.start + 5, p - start, true);
  return pages_.write(where_.page, std::move(row.page));
}

Status UsageMapEditor::setReference(Row& row, std::uint32_t page, bool on) {
  std::uint32_t per = pagesPerReferencePage();
  std::size_t slot = row.start + 1 + 4 * (page / per);
  if (slot + 4 > row.end) {
    if (!on) return Status::success();
    return Error{err::kUnsupported, "the " + describe() + " cannot reach page " +
                                        std::to_string(page)};
  }
  std::uint32_t mapPage = get32(row.page, slot);
  if (mapPage == 0) {
    if (!on) return Status::success();
    return Error{err::kUnsupported, "the " + describe() + " has no map page for page " +
                                        std::to_string(page)};
  }
  JET_ASSIGN_OR_RETURN(Page map, pages_.read(mapPage));
  if (map[0] != 0x05) return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
  setBit(map, 4, page % per, on);
  return pages_.write(mapPage, std::move(map));
}

}  // namespace jet
