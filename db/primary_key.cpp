// primary_key.cpp: the primary key's logical index, through its physical index to the columns.
#include "db/primary_key.h"

#include "jet/schema/table_def.h"

namespace db {

std::vector<std::size_t> primaryKeyFields(const jet::TableDef& table) {
  for (const jet::LogicalIndexDef& logical : table.logicalIndexes) {
    if (logical.type != jet::kLogicalPrimaryKey) continue;
    const jet::IndexDef* physical = nullptr;
    for (const jet::IndexDef& index : table.indexes) {
      if (index.number == logical.physicalIndex) physical = &index;
    }
    if (physical == nullptr || physical->columns.empty()) return {};
    std::vector<std::size_t> fields;
    for (const jet::IndexColumn& ic : physical->columns) {
      std::size_t k = 0;
      while (k < table.columns.size() && table.columns[k].number != ic.columnNumber) ++k;
      if (k == table.columns.size()) return {};
      fields.push_back(k);
    }
    return fields;
  }
  return {};
}

}  // namespace db
