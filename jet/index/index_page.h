// index_page.h: index node and leaf pages: header, entry-end bitmask, shared prefix, entries
// (key bytes, row pointer, child page), and a walk over the leaves of an index in key order.
// Keys are index_key.h's business, page I/O the caller's. Layout: docs/format/indexes.md.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

// Where the fields of an index page sit, per format.
struct IndexPageLayout {
  std::uint32_t pageSize = 0;
  std::uint32_t prevPage = 0;      // u32 previous page at this level
  std::uint32_t nextPage = 0;      // u32 next page at this level
  std::uint32_t childTail = 0;     // u32 last child of a node page
  std::uint32_t prefixLength = 0;  // bytes shared by every entry of the page: u8 (Jet3), u16
  std::uint32_t prefixLengthSize = 2;
  std::uint32_t entryMask = 0;  // bitmask: bit n set = an entry ends at byte n
  std::uint32_t entryMaskSize = 0;
  std::uint32_t entriesStart = 0;
};

IndexPageLayout indexPageLayout(Version version);

inline constexpr std::uint8_t kIndexNodePage = 0x03;
inline constexpr std::uint8_t kIndexLeafPage = 0x04;

struct IndexEntry {
  std::vector<std::uint8_t> key;  // the whole key, shared prefix included
  RowLocator row;                 // the row the entry points at
  std::uint32_t childPage = 0;    // node entries: the page below
};

// The order of an index's entries: by key bytes, then by the row's page and slot.
bool indexEntryBefore(const IndexEntry& a, const IndexEntry& b);

struct IndexPage {
  std::uint32_t number = 0;
  bool leaf = true;
  std::uint32_t tablePage = 0;  // the owning table's definition page
  std::uint32_t prevPage = 0;
  std::uint32_t nextPage = 0;
  std::uint32_t childTailPage = 0;
  std::uint16_t prefixLength = 0;
  std::vector<IndexEntry> entries;
};

// Parses one index page; kBadPage naming the page when anything lies outside it or the entries
// do not ascend.
Result<IndexPage> parseIndexPage(std::span<const std::uint8_t> page, Version version,
                                 std::uint32_t pageNumber);

// Reads one page of the file (decoded) into `out`.
using IndexPageReader = std::function<Status(std::uint32_t page, std::vector<std::uint8_t>& out)>;

// Calls `visit` for every leaf entry of the index rooted at `rootPage`, in key order: down the
// first entries to the leftmost leaf, then along the leaves' next pointers. Holds one page at a
// time; `maxPages` bounds the walk so that a looping chain is an error, not a hang.
Status forEachLeafEntry(const IndexPageReader& read, Version version, std::uint32_t rootPage,
                        std::uint32_t maxPages,
                        const std::function<Status(const IndexEntry&)>& visit);

}  // namespace jet
