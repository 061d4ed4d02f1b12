// index_leaf_insert.cpp: single-leaf index insertion for catalogue rows.
#include "jet/index_leaf_insert.h"

#include <algorithm>

#include "jet/byte_writer.h"
#include "jet/error_codes.h"

namespace jet {
namespace {

constexpr std::size_t kFreeSpace = 2;

std::vector<std::uint8_t> entryBytes(const IndexEntry& e) {
  std::vector<std::uint8_t> out = e.key;
  out.push_back(static_cast<std::uint8_t>(e.row.page >> 16));
  out.push_back(static_cast<std::uint8_t>(e.row.page >> 8));
  out.push_back(static_cast<std::uint8_t>(e.row.page));
  out.push_back(static_cast<std::uint8_t>(e.row.row));
  return out;
}

bool entryBefore(const IndexEntry& a, const std::vector<std::uint8_t>& key, RowLocator row) {
  if (a.key != key)
    return std::lexicographical_compare(a.key.begin(), a.key.end(), key.begin(), key.end());
  if (a.row.page != row.page) return a.row.page < row.page;
  return a.row.row < row.row;
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeLeafPage(std::span<const std::uint8_t> original,
                                                 const IndexPage& leaf, Version version,
                                                 const std::string& what) {
  const IndexPageLayout L = indexPageLayout(version);
  std::vector<std::vector<std::uint8_t>> entries;
  for (const IndexEntry& e : leaf.entries) entries.push_back(entryBytes(e));
  // Entries are stored whole (shared prefix 0), as Access leaves the catalogue's leaves.
  const std::size_t prefix = 0;
  std::size_t used = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) used += entries[i].size() - (i ? prefix : 0);
  if (L.entriesStart + used > L.pageSize) {
    return Error{err::kUnsupported, "The index " + what +
                                        " has no room for another entry on "
                                        "its page; this file cannot take more tables."};
  }
  std::vector<std::uint8_t> page(original.begin(), original.end());
  std::fill(page.begin() + L.entryMask, page.begin() + L.entryMask + L.entryMaskSize, 0);
  std::fill(page.begin() + L.entriesStart, page.end(), 0);
  put16(page, L.prefixLength, static_cast<std::uint16_t>(prefix));
  std::size_t at = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    auto from = entries[i].begin() + static_cast<std::ptrdiff_t>(i ? prefix : 0);
    std::copy(from, entries[i].end(),
              page.begin() + static_cast<std::ptrdiff_t>(L.entriesStart + at));
    at += static_cast<std::size_t>(entries[i].end() - from);
    page[L.entryMask + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
  }
  put16(page, kFreeSpace, static_cast<std::uint16_t>(L.pageSize - L.entriesStart - at));
  return page;
}

Result<std::vector<std::uint8_t>> insertLeafEntry(std::span<const std::uint8_t> page,
                                                  Version version, std::uint32_t pageNumber,
                                                  const std::vector<std::uint8_t>& key,
                                                  RowLocator row, bool unique,
                                                  const std::string& what) {
  JET_ASSIGN_OR_RETURN(IndexPage leaf, parseIndexPage(page, version, pageNumber));
  if (!leaf.leaf || leaf.nextPage != 0 || leaf.prevPage != 0) {
    return Error{err::kUnsupported, "The index " + what +
                                        " spans several pages; adding to it "
                                        "is not supported."};
  }
  auto pos = std::find_if(leaf.entries.begin(), leaf.entries.end(),
                          [&](const IndexEntry& e) { return !entryBefore(e, key, row); });
  if (unique && std::any_of(leaf.entries.begin(), leaf.entries.end(),
                            [&](const IndexEntry& e) { return e.key == key; })) {
    return Error{err::kUniqueViolation, "The index " + what + " already holds this value."};
  }
  IndexEntry added;
  added.key = key;
  added.row = row;
  leaf.entries.insert(pos, std::move(added));
  return encodeLeafPage(page, leaf, version, what);
}

}  // namespace jet
