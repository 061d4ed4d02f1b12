// usage_map.cpp: decoding of inline and reference usage maps. Layout: docs/format/usage_map.md.
#include "jet/page/usage_map.h"

#include <algorithm>
#include <string>

#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"

namespace jet {
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
    for (unsigned bit = 0; bit < 8; ++bit) {
      if ((bitmap[byte] & (1u << bit)) == 0) continue;
      std::uint64_t page = first + byte * 8 + bit;
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
  if (row.size() < 5) return mapError(pages, at, "the row is too short");
  UsageMap map;
  map.pointer_ = pointer;
  if (row[0] == 0) {
    map.kind_ = Kind::kInline;
    map.startPage_ = u32(row, 1);
    JET_TRY(addBits(pages, at, row.subspan(5), map.startPage_, map.pages_));
  } else if (row[0] == 1) {
    map.kind_ = Kind::kReference;
    const std::uint64_t perPage = (std::uint64_t{pages.pageSize()} - 4) * 8;
    for (std::size_t n = 0; 1 + 4 * (n + 1) <= row.size(); ++n) {
      std::uint32_t bitmapPage = u32(row, 1 + 4 * n);
      if (bitmapPage == 0) continue;
      JET_ASSIGN_OR_RETURN(PagePtr bits, pages.page(bitmapPage));
      if ((*bits)[0] != kPageTypeUsageBitmap) {
        return mapError(pages, at, "page " + std::to_string(bitmapPage) + " is not a bitmap page");
      }
      JET_TRY(addBits(pages, at, Bytes(*bits).subspan(4), n * perPage, map.pages_));
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

}  // namespace jet
