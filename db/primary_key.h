// primary_key.h: which fields of a table make up its primary key, for naming a row by its key.
#pragma once

#include <cstddef>
#include <vector>

#include "jet/database.h"

namespace db {

// Positions in table.columns of the primary key's columns, in the key's order; empty when the
// table has no primary key (or its index names a column the table does not have).
std::vector<std::size_t> primaryKeyFields(const jet::TableDef& table);

}  // namespace db
