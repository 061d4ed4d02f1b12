// table_def.h: table definitions (type-2 page chains): columns, physical and logical indexes,
// the row shape counters, and the usage-map pointers of the table and its long-value columns.
// Both the reader and the writer read definitions here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/format.h"
#include "jet/pager/page_codec.h"
#include "jet/core/status.h"

namespace jet {

// Reads the definition whose chain starts at `page`. `name` is used in error messages and
// stored in the result; `codePage` decodes Jet3 names.
Result<TableDef> readTableDef(const PageReader& pages, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage);

// Reads one decoded page of a definition chain into `out`.
using TableDefPageReader =
    std::function<Status(std::uint32_t page, std::vector<std::uint8_t>& out)>;

// The same through `read` (the writer reads through its page cache); `file` names the file in
// errors, or is empty.
Result<TableDef> readTableDef(const TableDefPageReader& read, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage,
                              const std::string& file);

}  // namespace jet
