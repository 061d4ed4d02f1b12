// index_layout.h: the indexes of a table this engine creates, as the caller asks for them, and
// their checked form in the table definition (one real index and one logical index each).
// Root pages and usage-map rows are the creator's to fill; the tree is index_bulk_builder.h's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/status.h"
#include "jet/schema/table_def.h"

namespace jet {

struct IndexColumnSpec {
  std::string column;  // a column of the same table, by name
  bool ascending = true;
};

// A primary key is unique and required; its name defaults to Access's "PrimaryKey".
struct IndexSpec {
  std::string name;
  std::vector<IndexColumnSpec> columns;
  bool primaryKey = false;
  bool unique = false;
  bool ignoreNulls = false;  // rows whose indexed cells are all null get no entry
};

struct TableSpec {
  std::string name;
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
};

inline constexpr std::size_t kMaxIndexColumns = 10;  // column slots of a real index
inline constexpr std::size_t kMaxNewIndexes = 32;    // Access's limit per table
inline constexpr char kPrimaryKeyName[] = "PrimaryKey";

// Checks `indexes` against the columns of `table` (laid out by layoutTable) and fills
// table.indexes in the order given (numbers count from 0) and table.logicalIndexes with the same
// numbers but in name order, as Access keeps them. Refuses (kUnsupported, naming the
// table and index) bad or repeated names, unknown, repeated or memo columns, more than
// kMaxIndexColumns columns, a second primary key and an ignore-nulls primary key.
Status layoutIndexes(TableDef& table, const std::vector<IndexSpec>& indexes);

// The index's name for messages: its logical name, else its number.
std::string indexDisplayName(const TableDef& table, const IndexDef& index);

}  // namespace jet
