// usage_map_editor.h: reads and changes one usage map (inline or by reference pages) through the
// page cache. Inline maps slide their start page when a page falls outside their range and the
// pages they list still fit; otherwise the change is refused rather than guessed.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/page_cache.h"
#include "jet/status.h"
#include "jet/table_storage.h"

namespace jet {

class UsageMapEditor {
 public:
  UsageMapEditor(PageCache& pages, MapRef where, bool jet3)
      : pages_(pages), where_(where), jet3_(jet3) {}

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
  std::string describe() const;

  PageCache& pages_;
  MapRef where_;
  bool jet3_;
};

}  // namespace jet
