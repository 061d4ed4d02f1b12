// usage_map_editor.cpp: map row = type byte (0 inline, 1 reference) then, inline, u32 start page
// and a bitmap (lowest bit first), or, by reference, u32 numbers of type-5 pages whose bitmap
// starts at byte 4 and covers (page size - 4) * 8 pages each.
#include "jet/page/usage_map_editor.h"

#include <string>

#include "jet/page/data_page_editor.h"
#include "jet/core/error_codes.h"
#include "jet/page/page_allocator.h"

namespace jet {
namespace {

std::uint32_t get32(const Page& p, std::size_t at) {
  return static_cast<std::uint32_t>(p[at]) | (static_cast<std::uint32_t>(p[at + 1]) << 8) |
         (static_cast<std::uint32_t>(p[at + 2]) << 16) |
         (static_cast<std::uint32_t>(p[at + 3]) << 24);
}
void put32(Page& p, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put32Raw(std::vector<std::uint8_t>& p, std::size_t at, std::uint32_t v) {
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

std::uint32_t UsageMapEditor::pagesPerReferencePage() const { return (pages_.pageSize() - 4) * 8; }

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
  if (map[0] != 0x05)
    return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
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
    if (map[0] != 0x05)
      return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
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
  listed.push_back(page);
  if (high - start >= bits) return promote(row, std::move(listed));
  std::fill(row.page.begin() + static_cast<std::ptrdiff_t>(row.start + 5),
            row.page.begin() + static_cast<std::ptrdiff_t>(row.end), 0);
  put32(row.page, row.start + 1, start);
  for (auto p : listed) setBit(row.page, row.start + 5, p - start, true);
  return pages_.write(where_.page, std::move(row.page));
}

Status UsageMapEditor::setReference(Row& row, std::uint32_t page, bool on) {
  std::uint32_t per = pagesPerReferencePage();
  std::size_t slot = row.start + 1 + 4 * (page / per);
  if (slot + 4 > row.end) {
    if (!on) return Status::success();
    return Error{err::kUnsupported,
                 "the " + describe() + " cannot reach page " + std::to_string(page)};
  }
  std::uint32_t mapPage = get32(row.page, slot);
  if (mapPage == 0) {
    if (!on) return Status::success();
    JET_ASSIGN_OR_RETURN(mapPage, newMapPage());
    JET_ASSIGN_OR_RETURN(row, loadRow());  // the allocation may have changed the map's page
    put32(row.page, slot, mapPage);
    JET_TRY(pages_.write(where_.page, std::move(row.page)));
  }
  JET_ASSIGN_OR_RETURN(Page map, pages_.read(mapPage));
  if (map[0] != 0x05)
    return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
  setBit(map, 4, page % per, on);
  return pages_.write(mapPage, std::move(map));
}

Result<std::uint32_t> UsageMapEditor::newMapPage() {
  if (allocator_ == nullptr) {
    return Error{err::kUnsupported, "the " + describe() +
                                        " needs a new map page, which this "
                                        "change cannot add; compact the database in Access first"};
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_->allocate());
  Page map(pages_.pageSize(), 0);
  map[0] = 0x05;
  map[1] = 0x01;
  JET_TRY(pages_.write(number, std::move(map)));
  return number;
}

// Turns an inline map into a reference map over the same row: type 1, then one page number
// per slot, each slot's page mapping (page size - 4) * 8 pages.
Status UsageMapEditor::promote(Row& row, std::vector<std::uint32_t> listed) {
  if (allocator_ == nullptr) return newMapPage().status();  // refused before anything changes
  auto slots = (row.end - row.start - 1) / 4;
  for (auto p : listed) {
    if (p / pagesPerReferencePage() >= slots) {
      return Error{err::kUnsupported,
                   "the " + describe() + " cannot reach page " + std::to_string(p)};
    }
  }
  std::fill(row.page.begin() + static_cast<std::ptrdiff_t>(row.start),
            row.page.begin() + static_cast<std::ptrdiff_t>(row.end), 0);
  row.page[row.start] = 0x01;
  JET_TRY(pages_.write(where_.page, std::move(row.page)));
  for (auto p : listed) JET_TRY(set(p, true));
  return Status::success();
}

Status UsageMapEditor::markUsedInGlobalMap(std::uint32_t page) {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  if (row.page[row.start] == 1) {
    JET_ASSIGN_OR_RETURN(bool known, contains(page, true));
    if (!known) return Status::success();
    std::uint32_t per = pagesPerReferencePage();
    std::size_t slot = row.start + 1 + 4 * (page / per);
    if (slot + 4 > row.end || get32(row.page, slot) == 0) {
      return Error{err::kUnsupported, "the global " + describe() + " cannot reach page " +
                                          std::to_string(page) +
                                          "; compact the database in Access first"};
    }
    return set(page, false);
  }
  std::uint32_t first = get32(row.page, row.start + 1);
  auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
  if (page < first) return Status::success();  // below the window: counted as used already
  if (page - first < bits) return set(page, false);
  // Grow the bitmap in steps of 512 pages; the file's pages it newly covers are taken as used.
  std::uint32_t newBits = ((page - first) / 512 + 1) * 512;
  std::vector<std::uint8_t> grown(row.page.begin() + static_cast<std::ptrdiff_t>(row.start),
                                  row.page.begin() + static_cast<std::ptrdiff_t>(row.end));
  grown.resize(5 + newBits / 8, 0);
  markNewlyCovered(grown, first, bits, newBits, page);
  DataPageEditor data(row.page, jet3_);
  if (data.replace(where_.row, grown, data.flags(where_.row))) {
    return pages_.write(where_.page, std::move(row.page));
  }
  return slideGlobalWindow(row, page);
}

// Pages past a window's old end: those inside the file count as used, those past its end as
// free, except `page`, which is being taken.
void UsageMapEditor::markNewlyCovered(std::vector<std::uint8_t>& map, std::uint32_t first,
                                      std::uint32_t oldBits, std::uint32_t newBits,
                                      std::uint32_t page) const {
  std::uint32_t fileEnd = pages_.pageCount();
  for (std::uint32_t i = oldBits; i < newBits; ++i) {
    bool free = first + i >= fileEnd && first + i != page;
    auto& byte = map[5 + i / 8];
    auto mask = static_cast<std::uint8_t>(1u << (i % 8));
    byte = static_cast<std::uint8_t>(free ? (byte | mask) : (byte & ~mask));
  }
}

// The map's row cannot grow on its page: its window moves forward instead, so that `page` lands
// in its first half. Pages that fall out of the window count as used from then on, so a free
// page among them is merely never reused (a later compaction recovers it); no page in use can
// ever be handed out twice.
Status UsageMapEditor::slideGlobalWindow(Row& row, std::uint32_t page) {
  std::uint32_t first = get32(row.page, row.start + 1);
  auto bits = static_cast<std::uint32_t>((row.end - row.start - 5) * 8);
  std::uint32_t start = ((page - bits / 2) / 8) * 8;  // page >= first + bits > bits / 2
  std::vector<std::uint8_t> moved(row.end - row.start, 0);
  put32Raw(moved, 1, start);
  // Bits the old and new windows share keep their value.
  std::uint32_t kept = first + bits > start ? first + bits - start : 0;
  for (std::uint32_t i = 0; i < kept; ++i) {
    std::uint32_t old = start - first + i;
    if (bit(row.page, row.start + 5, old))
      moved[5 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  }
  markNewlyCovered(moved, start, kept, bits, page);
  std::copy(moved.begin(), moved.end(), row.page.begin() + static_cast<std::ptrdiff_t>(row.start));
  return pages_.write(where_.page, std::move(row.page));
}

}  // namespace jet
