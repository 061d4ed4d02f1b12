// table_def_writer.h: the table-definition page (type 2) of a new table: header, column
// descriptors, names, real and logical indexes and the usage-map pointers of its long values.
// Column placement comes from table_layout.h; allocating the pages is the caller's job.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/format.h"
#include "jet/core/status.h"

namespace jet {

// A usage-map pointer as the file stores it: row number in the low byte, page above.
inline std::uint32_t mapPointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

// The whole definition on one page of `f.pageSize` bytes, with the usage-map pointers of
// `table` (ownedMap, freeMap, longValueMaps in column order), its indexes (root pages and
// usage-map pointers set) and row count `rowCount`. A definition
// that needs more than one page (very many or very long names) is refused with kUnsupported.
Result<std::vector<std::uint8_t>> writeTableDef(const TableDef& table, const Format& f,
                                                std::uint32_t rowCount);

// Sets the row count field of a definition page in place.
void setTableDefRowCount(std::vector<std::uint8_t>& page, const Format& f, std::uint32_t rows);

}  // namespace jet
