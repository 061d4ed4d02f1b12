// unique_entry_count.cpp: count block n at 43 + 8n (Jet3) or 63 + 12n (Jet4+): u32, then the
// u32 count (Jet4+: a third u32 follows).
#include "jet/index/unique_entry_count.h"

namespace jet {

std::size_t uniqueEntryCountOffset(bool jet3, std::uint32_t index) {
  return jet3 ? 43 + 8 * std::size_t{index} + 4 : 63 + 12 * std::size_t{index} + 4;
}

std::optional<std::uint32_t> readUniqueEntryCount(std::span<const std::uint8_t> page, bool jet3,
                                                  std::uint32_t index) {
  std::size_t at = uniqueEntryCountOffset(jet3, index);
  if (at + 4 > page.size()) return std::nullopt;
  return static_cast<std::uint32_t>(page[at]) | (static_cast<std::uint32_t>(page[at + 1]) << 8) |
         (static_cast<std::uint32_t>(page[at + 2]) << 16) |
         (static_cast<std::uint32_t>(page[at + 3]) << 24);
}

bool addToUniqueEntryCount(Page& page, bool jet3, std::uint32_t index, std::uint32_t by) {
  auto count = readUniqueEntryCount(page, jet3, index);
  if (!count) return false;
  std::uint32_t value = *count + by;
  std::size_t at = uniqueEntryCountOffset(jet3, index);
  for (std::size_t i = 0; i < 4; ++i) page[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return true;
}

}  // namespace jet
