// integrity_check.h: the structural check of a database file, opened from a connection string:
// pages owned and marked used, rows and moved rows readable, long values complete, indexes
// against their tables. Reads only; one line per problem.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jet/core/status.h"

namespace db {

// Problems found (empty: none). An error only when the check itself cannot run: a connection
// string not understood, a file that cannot be read, a wrong password.
jet::Result<std::vector<std::string>> checkIntegrity(std::string_view connectionString);

}  // namespace db
