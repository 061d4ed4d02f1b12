// page_allocator.cpp: new pages come from the end of the file.
#include "jet/page/page_allocator.h"

#include "jet/page/usage_map_editor.h"

namespace jet {

Result<std::uint32_t> PageAllocator::allocate() {
  std::uint32_t page = pages_.appendPage();
  UsageMapEditor global(pages_, MapRef{1, 0}, jet3_);
  JET_TRY(global.markUsedInGlobalMap(page));
  return page;
}

}  // namespace jet
