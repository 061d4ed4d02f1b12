// index_page.h: index node and leaf pages: header, entry-end bitmask, shared prefix, entries
// (key bytes, row pointer, child page), read from and written to page bytes, and a walk over the
// leaves of an index in key order. Keys are index_key.h's business, which entries belong on a
// page index_tree.h's, page I/O the caller's. Layout: docs/format/indexes.md.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

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
Result<IndexPage> parseIndexPage(std::span<const std::uint8_t> page, const Format& f,
                                 std::uint32_t pageNumber);

// Entry bytes a page of this format holds at most (the entry area, bounded by the bitmask).
std::size_t maxIndexEntryBytes(const Format& f);

// Bytes of one entry stored whole.
std::size_t storedEntrySize(const IndexEntry& entry, bool leaf);
// One entry as stored whole: key, 3-byte page and row (big-endian), node pages the child page.
std::vector<std::uint8_t> storedEntry(const IndexEntry& entry, bool leaf);

// Bytes the page's entries take. Entries are stored whole while they fit; otherwise the prefix
// shared by the first and last entry is stored only with the first.
std::size_t storedEntryBytes(const IndexPage& page, const Format& f);

// The page image, the inverse of parseIndexPage. Bytes the format leaves unexplained are taken
// from `model` (the page as it was, or a page of the same index) when given. Fails with
// kBadPage when the entries do not fit.
Result<std::vector<std::uint8_t>> writeIndexPage(const IndexPage& page, const Format& f,
                                                 std::span<const std::uint8_t> model = {});

// Reads one page of the file (decoded) into `out`.
using IndexPageReader = std::function<Status(std::uint32_t page, std::vector<std::uint8_t>& out)>;

// Calls `visit` for every leaf entry of the index rooted at `rootPage`, in key order: down the
// first entries to the leftmost leaf, then along the leaves' next pointers. Holds one page at a
// time; `maxPages` bounds the walk so that a looping chain is an error, not a hang.
Status forEachLeafEntry(const IndexPageReader& read, const Format& f, std::uint32_t rootPage,
                        std::uint32_t maxPages,
                        const std::function<Status(const IndexEntry&)>& visit);

}  // namespace jet
