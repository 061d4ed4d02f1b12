// table_def.h: table definitions (type-2 page chains): columns, physical and logical indexes,
// and the usage-map pointers of the table and its long-value columns.
#pragma once

#include <cstdint>

#include "jet/database.h"
#include "jet/format.h"
#include "jet/page_codec.h"
#include "jet/status.h"

namespace jet {

// Reads the definition whose chain starts at `page`. `name` is used in error messages and
// stored in the result; `codePage` decodes Jet3 names.
Result<TableDef> readTableDef(const PageReader& pages, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage);

}  // namespace jet
