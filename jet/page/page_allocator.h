// page_allocator.h: hands out new pages for a write by growing the file, and marks each one used
// in the global usage map (page 1, row 0; bit set = page free), growing the map when needed.
// Pages marked free are not reused: their old contents may still be referenced by a damaged map.
#pragma once

#include <cstdint>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/page/usage_map.h"
#include "jet/pager/page_cache.h"

namespace jet {

class PageAllocator : public NewPageSource {
 public:
  PageAllocator(PageCache& pages, const Format& f) : pages_(pages), f_(f) {}
  PageAllocator(PageCache& pages, bool jet3)
      : PageAllocator(pages, jet3 ? kFormatJet3 : kFormatJet4) {}
  // A zeroed page at the end of the file, no longer free in the global map.
  Result<std::uint32_t> allocate() override;

 private:
  PageCache& pages_;
  const Format& f_;
};

}  // namespace jet
