// unique_entry_count.h: the count of distinct keys a table definition keeps per physical index,
// in the count blocks that follow the definition's header (docs/format/table_def.md). Access only
// ever raises it: a key new to the index adds one, a key's last entry leaving takes none away.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "jet/pager/page_cache.h"

namespace jet {

// Where physical index `index`'s count lies on the definition's first page.
std::size_t uniqueEntryCountOffset(bool jet3, std::uint32_t index);
// The count, or nullopt when the page is too short to hold it.
std::optional<std::uint32_t> readUniqueEntryCount(std::span<const std::uint8_t> tdefPage, bool jet3,
                                                  std::uint32_t index);
// Adds `by` to the count; false (page unchanged) when the page is too short to hold it.
bool addToUniqueEntryCount(Page& tdefPage, bool jet3, std::uint32_t index, std::uint32_t by);

}  // namespace jet
