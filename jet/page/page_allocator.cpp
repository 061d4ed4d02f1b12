// page_allocator.cpp: new pages come from the end of the file.
#include "jet/page/page_allocator.h"

namespace jet {

Result<std::uint32_t> PageAllocator::allocate() {
  std::uint32_t page = pages_.appendPage();
  JET_TRY(UsageMapEditor(pages_, kGlobalUsageMap, f_).markUsedInGlobalMap(page));
  return page;
}

}  // namespace jet
