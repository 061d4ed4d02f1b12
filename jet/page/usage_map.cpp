// usage_map.cpp: map row = type byte (0 inline, 1 reference) then, inline, u32 start page and a
// bitmap (lowest bit first), or, by reference, u32 numbers of type-5 pages whose bitmap starts
// at byte 4 and covers (page size - 4) * 8 pages each. Layout: docs/format/usage_map.md.
#include "jet/page/usage_map.h"

#include <algorithm>
#include <optional>
#include <string>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {

bool bit(Bytes bitmap, std::uint32_t index) {
  return (bitmap[index / 8] & (1u << (index % 8))) != 0;
}
void setBit(std::span<std::uint8_t> bitmap, std::uint32_t index, bool on) {
  auto mask = static_cast<std::uint8_t>(1u << (index % 8));
  auto& byte = bitmap[index / 8];
  byte = static_cast<std::uint8_t>(on ? (byte | mask) : (byte & ~mask));
}

// An inline map row's window: bit 0 is page start(), and it covers bits() pages.
std::uint32_t windowStart(Bytes row) { return u32(row, kInlineMapStart); }
std::uint32_t windowBits(Bytes row) {
  return static_cast<std::uint32_t>((row.size() - kInlineMapBitmap) * 8);
}
// A reference map row: where slot `k`'s bitmap page number lies, and how many slots it holds.
std::size_t slotAt(std::size_t k) { return kReferenceMapPages + 4 * k; }
std::size_t slotCount(Bytes row) { return (row.size() - kReferenceMapPages) / 4; }

std::vector<std::uint8_t> emptyBitmapPage(std::uint32_t pageSize) {
  std::vector<std::uint8_t> page(pageSize, 0);
  page[0] = kPageTypeUsageBitmap;
  page[1] = kPageSecondByte;
  return page;
}

// Global map: gives bits [from, to) of the bitmap whose bit 0 is page `first` the value of pages
// newly covered: used (clear) inside the file, below `fileEnd`; free (set) past it, except
// `taken`, which is being handed out.
void coverPages(std::span<std::uint8_t> bitmap, std::uint32_t first, std::uint32_t from,
                std::uint32_t to, std::uint32_t fileEnd, std::optional<std::uint32_t> taken) {
  for (std::uint32_t i = from; i < to; ++i) {
    std::uint32_t page = first + i;
    setBit(bitmap, i, page >= fileEnd && page != taken);
  }
}

// Global map: moves the window of the inline map `row` forward to begin at page `start` (at or
// past its old start), its size unchanged. Bits the old and new windows share keep their value,
// pages newly covered are given theirs by coverPages(). Pages that fall out of the window count
// as used from then on, so a free page among them is merely never reused (a later compaction
// recovers it); no page in use can ever be handed out twice.
void slideWindow(std::span<std::uint8_t> row, std::uint32_t start, std::uint32_t fileEnd,
                 std::optional<std::uint32_t> taken) {
  std::uint32_t first = windowStart(row);
  std::uint32_t bits = windowBits(row);
  std::span<std::uint8_t> bitmap = row.subspan(kInlineMapBitmap);
  std::vector<std::uint8_t> old(bitmap.begin(), bitmap.end());
  std::fill(bitmap.begin(), bitmap.end(), 0);
  put32(row, kInlineMapStart, start);
  std::uint32_t kept = first + bits > start ? first + bits - start : 0;
  for (std::uint32_t i = 0; i < kept; ++i) {
    if (bit(old, start - first + i)) setBit(bitmap, i, true);
  }
  coverPages(bitmap, start, kept, bits, fileEnd, taken);
}

}  // namespace

std::uint32_t pagesPerBitmapPage(std::uint32_t pageSize) {
  return (pageSize - static_cast<std::uint32_t>(kBitmapPageBitmap)) * 8;
}

// Reading.

namespace {

Error mapError(const PageReader& pages, RowPointer at, const std::string& what) {
  return Error{err::kBadPage, "'" + pages.path() + "': usage map at page " +
                                  std::to_string(at.page) + " row " + std::to_string(at.row) +
                                  ": " + what + "."};
}

// Appends the pages whose bit is set; `first` is the page of bit 0.
Status addBits(const PageReader& pages, RowPointer at, Bytes bitmap, std::uint64_t first,
               std::vector<std::uint32_t>& out) {
  for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0) continue;
    for (unsigned b = 0; b < 8; ++b) {
      if ((bitmap[byte] & (1u << b)) == 0) continue;
      std::uint64_t page = first + byte * 8 + b;
      if (page >= pages.pageCount()) {
        return mapError(pages, at, "it lists page " + std::to_string(page) +
                                       ", beyond the end of the file");
      }
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
  return {};
}

}  // namespace

Result<UsageMap> UsageMap::read(const PageReader& pages, const Format& f, std::uint32_t pointer) {
  RowPointer at = splitPointer(pointer);
  JET_ASSIGN_OR_RETURN(PagePtr page, pages.page(at.page));
  auto slot = dataRow(*page, f, at.row);
  if (!slot.ok()) return mapError(pages, at, slot.error().description);
  Bytes row = slot->bytes;
  if (row.size() < kInlineMapBitmap) return mapError(pages, at, "the row is too short");
  UsageMap map;
  map.pointer_ = pointer;
  if (row[0] == kUsageMapInline) {
    map.kind_ = Kind::kInline;
    map.startPage_ = windowStart(row);
    JET_TRY(addBits(pages, at, row.subspan(kInlineMapBitmap), map.startPage_, map.pages_));
  } else if (row[0] == kUsageMapReference) {
    map.kind_ = Kind::kReference;
    const std::uint64_t perPage = pagesPerBitmapPage(pages.pageSize());
    for (std::size_t n = 0; n < slotCount(row); ++n) {
      std::uint32_t bitmapPage = u32(row, slotAt(n));
      if (bitmapPage == 0) continue;
      JET_ASSIGN_OR_RETURN(PagePtr bits, pages.page(bitmapPage));
      if ((*bits)[0] != kPageTypeUsageBitmap) {
        return mapError(pages, at, "page " + std::to_string(bitmapPage) + " is not a bitmap page");
      }
      JET_TRY(addBits(pages, at, Bytes(*bits).subspan(kBitmapPageBitmap), n * perPage,
                      map.pages_));
    }
  } else {
    return mapError(pages, at, "unknown map type " + std::to_string(row[0]));
  }
  std::sort(map.pages_.begin(), map.pages_.end());
  map.pages_.erase(std::unique(map.pages_.begin(), map.pages_.end()), map.pages_.end());
  return map;
}

bool UsageMap::contains(std::uint32_t page) const {
  return std::binary_search(pages_.begin(), pages_.end(), page);
}

// Editing.

std::string UsageMapEditor::describe() const {
  return "usage map at page " + std::to_string(where_.page) + " row " + std::to_string(where_.row);
}

Result<UsageMapEditor::Row> UsageMapEditor::loadRow() const {
  Row row;
  JET_ASSIGN_OR_RETURN(row.page, pages_.read(where_.page));
  DataPageEditor data(row.page, f_);
  auto b = data.bounds(where_.row);
  if (row.page[0] != kPageTypeData || !b || b->second - b->first < kInlineMapBitmap) {
    return Error{err::kBadPage, "the " + describe() + " is damaged"};
  }
  row.start = b->first;
  row.end = b->second;
  std::uint8_t type = row.page[row.start];
  if (type != kUsageMapInline && type != kUsageMapReference) {
    return Error{err::kBadPage, "the " + describe() + " has an unknown type"};
  }
  return row;
}

Result<Page> UsageMapEditor::readBitmapPage(std::uint32_t number) const {
  JET_ASSIGN_OR_RETURN(Page map, pages_.read(number));
  if (map[0] != kPageTypeUsageBitmap) {
    return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
  }
  return map;
}

Result<std::pair<std::uint32_t, std::uint32_t>> UsageMapEditor::range() const {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  auto bytes = row.bytes();
  if (bytes[0] == kUsageMapReference) {
    auto slots = static_cast<std::uint32_t>(slotCount(bytes));
    return std::make_pair(0u, slots * pagesPerBitmapPage(pages_.pageSize()));
  }
  std::uint32_t first = windowStart(bytes);
  return std::make_pair(first, first + windowBits(bytes));
}

Result<std::span<const std::uint8_t>> UsageMapEditor::viewRow() const {
  JET_ASSIGN_OR_RETURN(const Page* seen, pages_.view(where_.page));
  const Page& page = *seen;
  DataPageEditor data(const_cast<Page&>(page), f_);  // only looked at
  auto b = data.bounds(where_.row);
  if (page[0] != kPageTypeData || !b || b->second - b->first < kInlineMapBitmap) {
    return Error{err::kBadPage, "the " + describe() + " is damaged"};
  }
  const std::uint8_t type = page[b->first];
  if (type != kUsageMapInline && type != kUsageMapReference) {
    return Error{err::kBadPage, "the " + describe() + " has an unknown type"};
  }
  return std::span<const std::uint8_t>(page).subspan(b->first, b->second - b->first);
}

Result<bool> UsageMapEditor::contains(std::uint32_t page, bool outside) const {
  JET_ASSIGN_OR_RETURN(auto bytes, viewRow());
  if (bytes[0] == kUsageMapInline) {
    std::uint32_t first = windowStart(bytes);
    if (page < first || page - first >= windowBits(bytes)) return outside;
    return bit(bytes.subspan(kInlineMapBitmap), page - first);
  }
  std::uint32_t per = pagesPerBitmapPage(pages_.pageSize());
  std::size_t slot = slotAt(page / per);
  if (slot + 4 > bytes.size()) return outside;
  std::uint32_t mapPage = u32(bytes, slot);
  if (mapPage == 0) return outside;
  // `bytes` is not looked at again: the next read of the cache may take its place.
  JET_ASSIGN_OR_RETURN(const Page* map, pages_.view(mapPage));
  if ((*map)[0] != kPageTypeUsageBitmap) {
    return Error{err::kBadPage, "the " + describe() + " points at a non-map page"};
  }
  return bit(std::span<const std::uint8_t>(*map).subspan(kBitmapPageBitmap), page % per);
}

Result<std::vector<std::uint32_t>> UsageMapEditor::pages() const {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  auto bytes = row.bytes();
  std::vector<std::uint32_t> out;
  if (bytes[0] == kUsageMapInline) {
    std::uint32_t first = windowStart(bytes);
    std::uint32_t bits = windowBits(bytes);
    for (std::uint32_t i = 0; i < bits; ++i) {
      if (bit(bytes.subspan(kInlineMapBitmap), i)) out.push_back(first + i);
    }
    return out;
  }
  std::uint32_t per = pagesPerBitmapPage(pages_.pageSize());
  for (std::size_t k = 0; k < slotCount(bytes); ++k) {
    std::uint32_t mapPage = u32(bytes, slotAt(k));
    if (mapPage == 0) continue;
    JET_ASSIGN_OR_RETURN(Page map, readBitmapPage(mapPage));
    for (std::uint32_t i = 0; i < per; ++i) {
      if (bit(std::span(map).subspan(kBitmapPageBitmap), i)) {
        out.push_back(static_cast<std::uint32_t>(k) * per + i);
      }
    }
  }
  return out;
}

Status UsageMapEditor::set(std::uint32_t page, bool on) {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  if (row.bytes()[0] == kUsageMapInline) return setInline(row, page, on);
  return setReference(row, page, on);
}

Status UsageMapEditor::setInline(Row& row, std::uint32_t page, bool on) {
  auto bytes = row.bytes();
  std::uint32_t first = windowStart(bytes);
  std::uint32_t bits = windowBits(bytes);
  auto bitmap = bytes.subspan(kInlineMapBitmap);
  if (page >= first && page - first < bits) {
    setBit(bitmap, page - first, on);
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
  std::fill(bitmap.begin(), bitmap.end(), 0);
  put32(bytes, kInlineMapStart, start);
  for (auto p : listed) setBit(bitmap, p - start, true);
  return pages_.write(where_.page, std::move(row.page));
}

Status UsageMapEditor::setReference(Row& row, std::uint32_t page, bool on) {
  std::uint32_t per = pagesPerBitmapPage(pages_.pageSize());
  std::size_t slot = slotAt(page / per);
  if (slot + 4 > row.bytes().size()) {
    if (!on) return Status::success();
    return Error{err::kUnsupported,
                 "the " + describe() + " cannot reach page " + std::to_string(page)};
  }
  std::uint32_t mapPage = u32(row.bytes(), slot);
  if (mapPage == 0) {
    if (!on) return Status::success();
    JET_ASSIGN_OR_RETURN(mapPage, newMapPage());
    JET_ASSIGN_OR_RETURN(row, loadRow());  // the allocation may have changed the map's page
    put32(row.bytes(), slot, mapPage);
    JET_TRY(pages_.write(where_.page, std::move(row.page)));
  }
  JET_ASSIGN_OR_RETURN(Page map, readBitmapPage(mapPage));
  setBit(std::span(map).subspan(kBitmapPageBitmap), page % per, on);
  return pages_.write(mapPage, std::move(map));
}

Result<std::uint32_t> UsageMapEditor::newMapPage() {
  if (allocator_ == nullptr) {
    return Error{err::kUnsupported, "the " + describe() +
                                        " needs a new map page, which this "
                                        "change cannot add; compact the database in Access first"};
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_->allocate());
  JET_TRY(pages_.write(number, emptyBitmapPage(pages_.pageSize())));
  return number;
}

// Turns an inline map into a reference map over the same row: type 1, then one page number
// per slot, each slot's page mapping (page size - 4) * 8 pages.
Status UsageMapEditor::promote(Row& row, std::vector<std::uint32_t> listed) {
  if (allocator_ == nullptr) return newMapPage().status();  // refused before anything changes
  auto bytes = row.bytes();
  std::size_t slots = slotCount(bytes);
  for (auto p : listed) {
    if (p / pagesPerBitmapPage(pages_.pageSize()) >= slots) {
      return Error{err::kUnsupported,
                   "the " + describe() + " cannot reach page " + std::to_string(p)};
    }
  }
  std::fill(bytes.begin(), bytes.end(), 0);
  bytes[0] = kUsageMapReference;
  JET_TRY(pages_.write(where_.page, std::move(row.page)));
  for (auto p : listed) JET_TRY(set(p, true));
  return Status::success();
}

Status UsageMapEditor::markUsedInGlobalMap(std::uint32_t page) {
  JET_ASSIGN_OR_RETURN(Row row, loadRow());
  auto bytes = row.bytes();
  if (bytes[0] == kUsageMapReference) {
    JET_ASSIGN_OR_RETURN(bool known, contains(page, true));
    if (!known) return Status::success();
    std::size_t slot = slotAt(page / pagesPerBitmapPage(pages_.pageSize()));
    if (slot + 4 > bytes.size() || u32(bytes, slot) == 0) {
      return Error{err::kUnsupported, "the global " + describe() + " cannot reach page " +
                                          std::to_string(page) +
                                          "; compact the database in Access first"};
    }
    return set(page, false);
  }
  std::uint32_t first = windowStart(bytes);
  std::uint32_t bits = windowBits(bytes);
  if (page < first) return Status::success();  // below the window: counted as used already
  if (page - first < bits) return set(page, false);
  // Grow the bitmap in steps; the file's pages it newly covers are taken as used.
  std::uint32_t newBits = ((page - first) / kGlobalMapGrowth + 1) * kGlobalMapGrowth;
  std::vector<std::uint8_t> grown(bytes.begin(), bytes.end());
  grown.resize(kInlineMapBitmap + newBits / 8, 0);
  coverPages(std::span(grown).subspan(kInlineMapBitmap), first, bits, newBits,
             pages_.pageCount(), page);
  DataPageEditor data(row.page, f_);
  if (data.replace(where_.row, grown, data.flags(where_.row))) {
    return pages_.write(where_.page, std::move(row.page));
  }
  // The row cannot grow on its page: its window moves forward instead, so that `page` lands in
  // the middle of it.
  std::uint32_t start = ((page - bits / 2) / 8) * 8;  // page >= first + bits > bits / 2
  slideWindow(bytes, start, pages_.pageCount(), page);
  return pages_.write(where_.page, std::move(row.page));
}

// Building.

std::size_t referenceSlots() { return (kUsageMapRowSize - kReferenceMapPages) / 4; }

BitmapPages buildBitmapPages(const std::vector<std::uint32_t>& pages, std::uint32_t pageSize) {
  BitmapPages out;
  std::uint32_t per = pagesPerBitmapPage(pageSize);
  for (std::uint32_t p : pages) {
    std::vector<std::uint8_t>& page = out[p / per];
    if (page.empty()) page = emptyBitmapPage(pageSize);
    setBit(std::span(page).subspan(kBitmapPageBitmap), p % per, true);
  }
  return out;
}

std::vector<std::uint8_t> referenceMapRow(const std::map<std::uint32_t, std::uint32_t>& slotPages) {
  std::vector<std::uint8_t> row(kUsageMapRowSize, 0);
  row[0] = kUsageMapReference;
  for (const auto& [slot, page] : slotPages) put32(row, slotAt(slot), page);
  return row;
}

std::vector<std::uint8_t> emptyInlineMapRow() {
  std::vector<std::uint8_t> row(kUsageMapRowSize, 0);
  row[0] = kUsageMapInline;
  return row;
}

Status markNewPagesUsed(std::span<std::uint8_t> row, std::uint32_t firstNew,
                        std::uint32_t pageCount) {
  if (row.size() <= kInlineMapBitmap || row[0] != kUsageMapInline) {
    return Error{err::kUnsupported, "The file's global usage map is not of the inline kind."};
  }
  std::uint32_t start = windowStart(row);
  if (firstNew < start) {
    return Error{err::kUnsupported, "The file's global usage map starts after its new pages."};
  }
  if (pageCount > start + windowBits(row)) {
    // The window moves to cover the file's last page; every page below its start is in use.
    start = (pageCount - 1) / 8 * 8;
    slideWindow(row, start, pageCount, std::nullopt);
    firstNew = start;
  }
  std::span<std::uint8_t> bitmap = row.subspan(kInlineMapBitmap);
  for (std::uint32_t p = firstNew; p < pageCount; ++p) setBit(bitmap, p - start, false);
  return {};
}

}  // namespace jet
