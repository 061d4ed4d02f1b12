// table_catalogue.h: the user tables of a database as the table list shows them (the table
// schema's rows of type "TABLE", in catalogue order), and the probe that opens one table.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "jet/core/status.h"

namespace db {

// The type text kept; any other (letter case included) is left out.
inline constexpr std::string_view kUserTableType = "TABLE";

// The one rule for what is a user table: a table schema row whose type is kUserTableType. The
// table list, the command line's table listing and its table count all go by it.
bool isUserTable(const SchemaRow& row);

// No list (nullopt) when `path` names no existing entry; then nothing is opened. Otherwise opens
// the database with `connectionString` and lists its user tables; failing to open or read it is
// the caller's failure to report.
jet::Result<std::optional<std::vector<std::string>>> listTables(const std::string& path,
                                                                std::string_view connectionString);

// Opens the database read/write and a recordset on "SELECT * FROM `table`", then lets both go.
jet::Status probeTable(std::string_view connectionString, std::string_view table);

// "SELECT * FROM `" + table + "`", the name unchanged but for a grave accent, which is doubled.
std::string selectAllStatement(std::string_view table);

}  // namespace db
