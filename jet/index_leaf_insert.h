// index_leaf_insert.h: adds one entry to an index whose root is a single leaf page, as the
// catalogue tables of a fresh file have them. A full leaf or a deeper index is refused, never
// split: splitting pages is the writer's business.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/index_page.h"
#include "jet/status.h"
#include "jet/types.h"

namespace jet {

// The leaf page `page` with the entry (key, row) added in order. `unique`: an equal key already
// present is kUniqueViolation. `what` names the index in errors.
Result<std::vector<std::uint8_t>> insertLeafEntry(std::span<const std::uint8_t> page,
                                                  Version version, std::uint32_t pageNumber,
                                                  const std::vector<std::uint8_t>& key,
                                                  RowLocator row, bool unique,
                                                  const std::string& what);

// Serialises a leaf page (header fields from `leaf`, entries in their order) over `original`.
// kUnsupported when the entries do not fit.
Result<std::vector<std::uint8_t>> encodeLeafPage(std::span<const std::uint8_t> original,
                                                 const IndexPage& leaf, Version version,
                                                 const std::string& what);

}  // namespace jet
