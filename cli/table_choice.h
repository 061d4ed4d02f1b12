// table_choice.h: the tables and columns a command works on, from --table, --all-tables and
// --column TABLE.COLUMN, each checked against the database.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "db/connection.h"
#include "engine/column_choice.h"
#include "engine/replacement_run.h"
#include "jet/core/status.h"

namespace cli {

// Resolves every --column against the database at `path`: names as the database spells them,
// a table that `tables` lacks added to it. Refuses an unknown table, and an unknown column
// naming the table's columns.
jet::Status chooseColumns(const Arguments& args, const std::string& path,
                          const db::ReaderOpener& opener,
                          std::vector<engine::TableListEntry>& tables,
                          engine::ColumnChoice& choice);

// --table (each must exist) or --all-tables, then chooseColumns().
jet::Status chooseTablesAndColumns(const Arguments& args, const std::string& path,
                                   const db::ReaderOpener& opener,
                                   std::vector<engine::TableListEntry>& tables,
                                   engine::ColumnChoice& choice);

// What is wrong with the table options, or empty: one of --table, --all-tables, --column is
// needed, and --table and --all-tables do not go together.
std::string tableUsageFault(const Arguments& args);

}  // namespace cli
