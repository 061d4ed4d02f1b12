// table_pages.h: the data pages of a table (its owned map, keeping pages of type 1 that name the
// table as owner) and the live row slots on them, in table order. Used by the integrity check
// and by tests; the reader's scan is the fast path.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/core/format.h"
#include "jet/pager/page_cache.h"
#include "jet/core/status.h"
#include "jet/schema/table_storage.h"
#include "jet/core/types.h"

namespace jet {

Result<std::vector<std::uint32_t>> tableDataPages(const PageCache& pages, const TableStorage& table,
                                                  const Format& f);
// Header slots of live rows (overflow slots included; the rows they point at excluded).
Result<std::vector<RowLocator>> tableRowLocators(const PageCache& pages, const TableStorage& table,
                                                 const Format& f);

// Local tables listed in MSysObjects (definition at page 2): name and definition page.
struct LocalTable {
  std::string name;
  std::uint32_t tdefPage = 0;
};
Result<std::vector<LocalTable>> localTables(const PageCache& pages, const Format& f);

}  // namespace jet
