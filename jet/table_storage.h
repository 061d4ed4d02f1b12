// table_storage.h: what the writer needs from a table definition beyond its columns: where its
// usage maps are (owned pages, free space, each long-value column's pair), the row shape counters,
// and the fixed-size fields it keeps right. Reads the whole definition chain.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/page_cache.h"
#include "jet/status.h"

namespace jet {

// A usage map row: the row number and the page that holds it.
struct MapRef {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  static MapRef fromPointer(std::uint32_t pointer) {
    return MapRef{pointer >> 8, static_cast<std::uint8_t>(pointer & 0xFF)};
  }
  bool valid() const { return page != 0; }
};

struct LongValueColumnMaps {
  MapRef owned;
  MapRef free;
};

struct TableStorage {
  TableDef def;                       // columns and indexes
  std::vector<std::uint32_t> chain;   // definition pages, first to last
  std::uint16_t maxColumns = 0;       // column count stored in new rows
  std::uint16_t variableColumns = 0;  // size of the variable table in new rows
  MapRef owned;
  MapRef free;
  std::map<std::uint16_t, LongValueColumnMaps> longValueMaps;  // by column number (Jet4+)
  bool hasVariableColumns() const;
};

// The same facts from a definition the reader has already decoded.
TableStorage tableStorageFrom(const TableDef& def);

// Reads the definition at `tdefPage`. `jet3` picks the layout; `name` names the table in errors.
Result<TableStorage> readTableStorage(const PageCache& pages, std::uint32_t tdefPage, bool jet3,
                                      const std::string& name);

}  // namespace jet
