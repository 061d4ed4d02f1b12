// integrity_check.h: checks a database's structure after changes: every table and long-value page
// owned by exactly one map and marked used in the global map, free-space maps within the owned
// maps, index pages against their usage maps, rows that split, overflow pointers that lead to
// rows, long values whose rows add up to their length. One line per problem.
#pragma once

#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/pager/page_cache.h"
#include "jet/core/status.h"

namespace jet {

// Problems found (empty: none). An error only when the check itself cannot run (unreadable
// catalogue or file).
Result<std::vector<std::string>> checkIntegrity(const PageCache& pages, const Format& format);

// The same for the database file at `path`, opened to read as Database::open opens it, and every
// index against its table (index_check.h). `password`: as Database::open takes it.
Result<std::vector<std::string>> checkDatabaseFile(const std::string& path,
                                                   const std::string& password = {});

}  // namespace jet
