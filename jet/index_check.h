// index_check.h: checks every index of a database against its table: entries in strict order,
// each stored key equal to the key rebuilt from its row, one entry per row the index covers
// (ignore-nulls honoured), node entries equal to their children's last entries, leaves chained
// in tree order, the tree's pages equal to those of the index's usage map, a unique-entry count
// no lower than the distinct keys (docs/format/indexes.md). Holds one path of pages and one row
// at a time (and the tree's page numbers).
#pragma once

#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/core/status.h"

namespace jet {

// Problems found, one line each (empty: none). Indexes whose keys cannot be rebuilt (sort orders
// other than General) are skipped. An error only when the check itself cannot run.
Result<std::vector<std::string>> checkIndexes(const Database& db);

}  // namespace jet
