// page_allocator.h: hands out new pages for a write by growing the file, and marks each one used
// in the global usage map (page 1, row 0; bit set = page free), growing the map when needed.
// Pages marked free are not reused: their old contents may still be referenced by a damaged map.
#pragma once

#include <cstdint>

#include "jet/pager/page_cache.h"
#include "jet/core/status.h"

namespace jet {

class PageAllocator {
 public:
  PageAllocator(PageCache& pages, bool jet3) : pages_(pages), jet3_(jet3) {}
  // A zeroed page at the end of the file, no longer free in the global map.
  Result<std::uint32_t> allocate();

 private:
  PageCache& pages_;
  bool jet3_;
};

}  // namespace jet
