// usage_map_editor.h: reads and changes one usage map (inline or by reference pages) through the
// page cache. An inline map slides its start page when a page falls outside its range and its
// pages still fit, else becomes a reference map (given an allocator); the global map grows its row,
// or slides its window forward when the row cannot grow.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/pager/page_cache.h"
#include "jet/core/status.h"
#include "jet/schema/table_storage.h"

namespace jet {

class PageAllocator;

class UsageMapEditor {
 public:
  // `allocator`: lets the map take new map pages (promotion, reference map pages); may be null,
  // and then such changes are refused.
  UsageMapEditor(PageCache& pages, MapRef where, bool jet3, PageAllocator* allocator = nullptr)
      : pages_(pages), where_(where), jet3_(jet3), allocator_(allocator) {}

  // The global map (page 1, row 0; bit set = free): records `page` as used. Pages outside an
  // inline map's window count as used. A page past the window's end grows the row to reach it
  // (pages newly covered inside the file count as used, those past the file's end as free, as
  // Access keeps them); when the row cannot grow on its page, the window slides forward.
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
  };
  Result<Row> loadRow() const;
  std::uint32_t pagesPerReferencePage() const;
  Status setInline(Row& row, std::uint32_t page, bool on);
  Status setReference(Row& row, std::uint32_t page, bool on);
  Status promote(Row& row, std::vector<std::uint32_t> listed);
  Result<std::uint32_t> newMapPage();
  void markNewlyCovered(std::vector<std::uint8_t>& map, std::uint32_t first, std::uint32_t oldBits,
                        std::uint32_t newBits, std::uint32_t page) const;
  Status slideGlobalWindow(Row& row, std::uint32_t page);
  std::string describe() const;

  PageCache& pages_;
  MapRef where_;
  bool jet3_;
  PageAllocator* allocator_;
};

}  // namespace jet
