// new_usage_maps.cpp: usage maps of new tables and the global map's new pages.
#include "jet/page/new_usage_maps.h"

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {
constexpr std::uint8_t kInlineMap = 0x00;
constexpr std::uint8_t kReferenceMap = 0x01;
constexpr std::size_t kBitmapPageData = 4;
constexpr std::size_t kInlineBitmap = 5;
constexpr std::uint8_t kBitmapPageType = 0x05;
}  // namespace

std::uint32_t pagesPerBitmapPage(std::uint32_t pageSize) {
  return (pageSize - static_cast<std::uint32_t>(kBitmapPageData)) * 8;
}

std::size_t referenceSlots() { return (kUsageMapRowSize - 1) / 4; }

BitmapPages buildBitmapPages(const std::vector<std::uint32_t>& pages, std::uint32_t pageSize) {
  BitmapPages out;
  std::uint32_t per = pagesPerBitmapPage(pageSize);
  for (std::uint32_t p : pages) {
    std::vector<std::uint8_t>& page = out[p / per];
    if (page.empty()) {
      page.assign(pageSize, 0);
      page[0] = kBitmapPageType;
      page[1] = 0x01;
    }
    std::uint32_t bit = p % per;
    page[kBitmapPageData + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  return out;
}

std::vector<std::uint8_t> referenceMapRow(const std::map<std::uint32_t, std::uint32_t>& slotPages) {
  std::vector<std::uint8_t> row(kUsageMapRowSize, 0);
  row[0] = kReferenceMap;
  for (const auto& [slot, page] : slotPages) put32(row, 1 + 4 * slot, page);
  return row;
}

std::vector<std::uint8_t> emptyInlineMapRow() {
  std::vector<std::uint8_t> row(kUsageMapRowSize, 0);
  row[0] = kInlineMap;
  return row;
}

Status markNewPagesUsed(std::span<std::uint8_t> row, std::uint32_t firstNew,
                        std::uint32_t pageCount) {
  if (row.size() <= kInlineBitmap || row[0] != kInlineMap) {
    return Error{err::kUnsupported, "The file's global usage map is not of the inline kind."};
  }
  std::span<std::uint8_t> bits = row.subspan(kInlineBitmap);
  std::uint32_t reach = static_cast<std::uint32_t>(bits.size() * 8);
  std::uint32_t start = u32(row, 1);
  if (firstNew < start) {
    return Error{err::kUnsupported, "The file's global usage map starts after its new pages."};
  }
  if (pageCount > start + reach) {
    // Every page below the new start is in use; the bitmap then covers the file's end.
    start = (pageCount - 1) / 8 * 8;
    put32(row, 1, start);
    std::fill(bits.begin(), bits.end(), 0xFF);
    firstNew = start;
  }
  for (std::uint32_t p = firstNew; p < pageCount; ++p) {
    std::uint32_t bit = p - start;
    bits[bit / 8] &= static_cast<std::uint8_t>(~(1u << (bit % 8)));
  }
  return {};
}

}  // namespace jet
