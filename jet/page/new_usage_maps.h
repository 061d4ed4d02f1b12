// new_usage_maps.h: the usage maps of a table being created: reference maps (type 1) with their
// bitmap pages (type 5) for the pages it owns, empty inline maps for free space, and marking new
// pages used in the file's global map. Editing maps of existing tables belongs to the writer.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "jet/core/status.h"

namespace jet {

inline constexpr std::size_t kUsageMapRowSize = 69;  // map type, 4 bytes, 64-byte bitmap

using BitmapPages = std::map<std::uint32_t, std::vector<std::uint8_t>>;  // map slot -> page

// Pages one bitmap page of a reference map covers.
std::uint32_t pagesPerBitmapPage(std::uint32_t pageSize);
// The most slots a reference map row of kUsageMapRowSize bytes has.
std::size_t referenceSlots();

// Bitmap pages (by slot) with the bits of `pages` set.
BitmapPages buildBitmapPages(const std::vector<std::uint32_t>& pages, std::uint32_t pageSize);

// A reference map row naming the page number of each slot's bitmap page.
std::vector<std::uint8_t> referenceMapRow(const std::map<std::uint32_t, std::uint32_t>& slotPages);
// An inline map row with no page set.
std::vector<std::uint8_t> emptyInlineMapRow();

// The global map (page 1, row 0: inline, a set bit marks a free page) after pages
// [firstNew, pageCount) were added at the end of the file. When they lie beyond the bitmap's
// reach the map moves its start page up: every page below the start then counts as used.
Status markNewPagesUsed(std::span<std::uint8_t> globalMapRow, std::uint32_t firstNew,
                        std::uint32_t pageCount);

}  // namespace jet
