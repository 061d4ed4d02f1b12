// usage_map.h: usage maps, the rows that say which pages a table, index or long-value column owns
// or offers for new rows, and which pages of the file are free (the global map, page 1 row 0,
// where a set bit marks a free page). A map is inline (type 0: a start page and a bitmap) or by
// reference (type 1: the numbers of bitmap pages of type 5).
// Reading: UsageMap lists a map's pages through the reader. Editing: UsageMapEditor changes one
// map through the page cache. Building: the rows and bitmap pages of new tables' maps, and the
// global map of a new file. Layout: docs/format/usage_map.md.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/page/data_page.h"
#include "jet/pager/page_cache.h"
#include "jet/pager/page_codec.h"

namespace jet {

// Where a usage map lies: the page that holds its row and the row's number.
using MapRef = RowPointer;
inline constexpr MapRef kGlobalUsageMap{kGlobalUsageMapPage, 0};

// Pages one bitmap page of a reference map covers.
std::uint32_t pagesPerBitmapPage(std::uint32_t pageSize);

// Reading.

class UsageMap {
 public:
  enum class Kind : std::uint8_t { kInline = kUsageMapInline, kReference = kUsageMapReference };

  // Reads the map that `pointer` (row byte + 3-byte page) designates. Every listed page lies
  // inside the file; an error names the file and the map's page.
  static Result<UsageMap> read(const PageReader& pages, const Format& f, std::uint32_t pointer);

  Kind kind() const { return kind_; }
  std::uint32_t pointer() const { return pointer_; }
  // Inline maps: the first page the bitmap covers.
  std::uint32_t startPage() const { return startPage_; }
  // Pages whose bit is set, ascending.
  const std::vector<std::uint32_t>& pages() const { return pages_; }
  bool contains(std::uint32_t page) const;

 private:
  Kind kind_ = Kind::kInline;
  std::uint32_t pointer_ = 0;
  std::uint32_t startPage_ = 0;
  std::vector<std::uint32_t> pages_;
};

// Editing.

// Where a map being edited gets the pages it adds (the bitmap pages of a reference map): the
// page allocator of the write.
class NewPageSource {
 public:
  virtual ~NewPageSource() = default;
  virtual Result<std::uint32_t> allocate() = 0;
};

// Reads and changes one usage map through the page cache. An inline map slides its start page
// when a page falls outside its range and its pages still fit, else becomes a reference map
// (given an allocator); the global map grows its row, or slides its window forward when the row
// cannot grow.
class UsageMapEditor {
 public:
  // `allocator`: lets the map take new map pages (promotion, reference map pages); may be null,
  // and then such changes are refused.
  UsageMapEditor(PageCache& pages, MapRef where, const Format& f,
                 NewPageSource* allocator = nullptr)
      : pages_(pages), where_(where), f_(f), allocator_(allocator) {}
  UsageMapEditor(PageCache& pages, MapRef where, bool jet3, NewPageSource* allocator = nullptr)
      : UsageMapEditor(pages, where, jet3 ? kFormatJet3 : kFormatJet4, allocator) {}

  // The global map: records `page` as used. Pages outside an inline map's window count as used.
  // A page past the window's end grows the row to reach it (pages newly covered inside the file
  // count as used, those past the file's end as free, as Access keeps them); when the row cannot
  // grow on its page, the window slides forward.
  Status markUsedInGlobalMap(std::uint32_t page);

  // Whether the map has `page`'s bit set. Pages outside the map's range: `outside`.
  Result<bool> contains(std::uint32_t page, bool outside = false) const;
  // Sets or clears `page`'s bit.
  Status set(std::uint32_t page, bool on);
  // Every page whose bit is set, in order.
  Result<std::vector<std::uint32_t>> pages() const;
  // The range of pages the map can describe now: [first, end).
  Result<std::pair<std::uint32_t, std::uint32_t>> range() const;

 private:
  struct Row {
    Page page;
    std::size_t start = 0;
    std::size_t end = 0;
    std::span<std::uint8_t> bytes() { return std::span(page).subspan(start, end - start); }
  };
  Result<Row> loadRow() const;
  // The map's row as the cache holds it, checked as loadRow() checks it, without a copy: valid
  // until the next read of the cache.
  Result<std::span<const std::uint8_t>> viewRow() const;
  Result<Page> readBitmapPage(std::uint32_t number) const;
  Status setInline(Row& row, std::uint32_t page, bool on);
  Status setReference(Row& row, std::uint32_t page, bool on);
  Status promote(Row& row, std::vector<std::uint32_t> listed);
  Result<std::uint32_t> newMapPage();
  std::string describe() const;

  PageCache& pages_;
  MapRef where_;
  const Format& f_;
  NewPageSource* allocator_;
};

// Building.

using BitmapPages = std::map<std::uint32_t, std::vector<std::uint8_t>>;  // map slot -> page

// The most slots a reference map row of kUsageMapRowSize bytes has.
std::size_t referenceSlots();

// Bitmap pages (by slot) with the bits of `pages` set.
BitmapPages buildBitmapPages(const std::vector<std::uint32_t>& pages, std::uint32_t pageSize);

// A reference map row naming the page number of each slot's bitmap page.
std::vector<std::uint8_t> referenceMapRow(const std::map<std::uint32_t, std::uint32_t>& slotPages);
// An inline map row with no page set.
std::vector<std::uint8_t> emptyInlineMapRow();

// The global map's row of a new file after pages [firstNew, pageCount) were added at its end.
// When they lie beyond the bitmap's reach the window moves its start page up: every page below
// the start then counts as used.
Status markNewPagesUsed(std::span<std::uint8_t> globalMapRow, std::uint32_t firstNew,
                        std::uint32_t pageCount);

}  // namespace jet
