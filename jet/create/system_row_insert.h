// system_row_insert.h: adds a row to an existing system table of a file being created
// (MSysObjects, MSysACEs): the row goes on one of the table's pages that has room, and an entry
// for it into each of the table's indexes. Refuses, changing nothing, when a page or an index
// leaf is full.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/database.h"
#include "jet/pager/page_store.h"
#include "jet/core/status.h"

namespace jet {

struct SystemTable {
  TableDef def;                         // from the reader, indexes included
  std::vector<std::uint32_t> rowPages;  // pages that hold its rows, ascending
};

// Reads `name`'s definition and the pages of its rows through `db`.
Result<SystemTable> loadSystemTable(const Database& db, std::string_view name);

// The key of `values` (one per column of `table.def`) in the index `index`.
Result<std::vector<std::uint8_t>> systemIndexKey(const SystemTable& table, const IndexDef& index,
                                                 Version version, const std::vector<Value>& values);

// Adds the row (one Value per column of `table.def`). Every page it changes is written through
// `pages` only once all of them have been prepared.
Status insertSystemRow(PageStore& pages, const SystemTable& table, Version version,
                       const std::vector<Value>& values);

}  // namespace jet
