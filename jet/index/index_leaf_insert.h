// index_leaf_insert.h: adds one entry to an index whose root is a single leaf page, as the
// catalogue tables of a fresh file have them. A full leaf or a deeper index is refused, never
// split: splitting pages is the writer's business. The page bytes are index_page_writer.h's.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/index/index_page.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

// The leaf page `page` with the entry (key, row) added in order. `unique`: an equal key already
// present is kUniqueViolation; a leaf with no room left is kUnsupported. `what` names the index
// in errors.
Result<std::vector<std::uint8_t>> insertLeafEntry(std::span<const std::uint8_t> page,
                                                  Version version, std::uint32_t pageNumber,
                                                  const std::vector<std::uint8_t>& key,
                                                  RowLocator row, bool unique,
                                                  const std::string& what);

}  // namespace jet
