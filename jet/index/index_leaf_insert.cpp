// index_leaf_insert.cpp: single-leaf index insertion for catalogue rows.
#include "jet/index/index_leaf_insert.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/index/index_page_writer.h"

namespace jet {

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
  IndexEntry added;
  added.key = key;
  added.row = row;
  auto pos = std::find_if(leaf.entries.begin(), leaf.entries.end(),
                          [&](const IndexEntry& e) { return !indexEntryBefore(e, added); });
  if (unique && std::any_of(leaf.entries.begin(), leaf.entries.end(),
                            [&](const IndexEntry& e) { return e.key == key; })) {
    return Error{err::kUniqueViolation, "The index " + what + " already holds this value."};
  }
  leaf.entries.insert(pos, std::move(added));
  if (storedEntryBytes(leaf, version) > maxIndexEntryBytes(version)) {
    return Error{err::kUnsupported, "The index " + what +
                                        " has no room for another entry on "
                                        "its page; this file cannot take more tables."};
  }
  return writeIndexPage(leaf, version, page);
}

}  // namespace jet
