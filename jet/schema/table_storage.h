// table_storage.h: a table definition as the writer uses it: its usage maps as map rows (owned
// pages, free space, each long-value column's pair) and the row shape counters. The definition
// itself is read by table_def.h.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/page/usage_map.h"  // MapRef: where each usage map row lies
#include "jet/schema/schema.h"
#include "jet/pager/page_cache.h"
#include "jet/core/status.h"

namespace jet {

struct LongValueColumnMaps {
  MapRef owned;
  MapRef free;
};

struct TableStorage {
  TableDef def;                       // columns, indexes, definition pages
  std::uint16_t maxColumns = 0;       // column count stored in new rows
  std::uint16_t variableColumns = 0;  // size of the variable table in new rows
  MapRef owned;
  MapRef free;
  std::map<std::uint16_t, LongValueColumnMaps> longValueMaps;  // by column number (Jet4+)
  bool hasVariableColumns() const;
};

// The writer's view of a definition the reader has already decoded.
TableStorage tableStorageFrom(const TableDef& def);

// Reads the definition at `tdefPage` as the cache holds it; `name` names the table in errors.
Result<TableStorage> readTableStorage(const PageCache& pages, std::uint32_t tdefPage,
                                      const Format& f, const std::string& name);

}  // namespace jet
