// index_page_writer.h: the bytes of an index node or leaf page from its entries: header fields,
// the shared prefix (only when the entries do not fit whole), the entry-end bitmask and free space.
// The inverse of parseIndexPage; which entries belong on a page is index_tree.h's business.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/index/index_page.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

// Entry bytes a page of this format holds at most (the entry area, bounded by the bitmask).
std::size_t maxIndexEntryBytes(Version version);

// One entry as stored whole: key, 3-byte page and row (big-endian), node pages the child page.
std::vector<std::uint8_t> storedEntry(const IndexEntry& entry, bool leaf);

// Bytes the page's entries take. Entries are stored whole while they fit; otherwise the prefix
// shared by the first and last entry is stored only with the first.
std::size_t storedEntryBytes(const IndexPage& page, Version version);

// The page image. Bytes the format leaves unexplained are taken from `model` (the page as it
// was, or a page of the same index) when given. Fails with kBadPage when the entries do not fit.
Result<std::vector<std::uint8_t>> writeIndexPage(const IndexPage& page, Version version,
                                                 std::span<const std::uint8_t> model = {});

}  // namespace jet
