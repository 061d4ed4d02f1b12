// table_storage.cpp: the writer's view of a table definition, read by table_def.h's reader
// through the page cache, so that it sees the changes not yet written.
#include "jet/schema/table_storage.h"

#include "jet/core/format.h"
#include "jet/schema/table_def.h"

namespace jet {

bool TableStorage::hasVariableColumns() const { return variableColumns > 0; }

TableStorage tableStorageFrom(const TableDef& def) {
  TableStorage out;
  out.def = def;
  out.maxColumns = def.maxColumns;
  out.variableColumns = def.varColumnCount;
  out.owned = MapRef::fromPointer(def.ownedMap);
  out.free = MapRef::fromPointer(def.freeMap);
  for (const auto& maps : def.longValueMaps) {
    out.longValueMaps[maps.columnNumber] =
        LongValueColumnMaps{MapRef::fromPointer(maps.ownedMap), MapRef::fromPointer(maps.freeMap)};
  }
  return out;
}

Result<TableStorage> readTableStorage(const PageCache& pages, std::uint32_t tdefPage,
                                      const Format& f, const std::string& name) {
  TableDefPageReader read = [&pages](std::uint32_t number,
                                     std::vector<std::uint8_t>& out) -> Status {
    JET_ASSIGN_OR_RETURN(out, pages.read(number));
    return Status::success();
  };
  JET_ASSIGN_OR_RETURN(TableDef def, readTableDef(read, f, tdefPage, name, 0, ""));
  return tableStorageFrom(def);
}

}  // namespace jet
