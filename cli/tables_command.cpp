// tables_command.cpp: lists the table schema's rows (the user tables by the table catalogue's
// rule, or with --all every kind) in catalogue order, counting the records of stored tables by
// reading them.
#include "cli/tables_command.h"

#include <ostream>

#include "db/table_catalogue.h"
#include "db/table_rows.h"

namespace cli {

std::string TablesCommand::help() const {
  return "Usage: fieldmend-cli tables FILE [--password PASSWORD] [--all]\n"
         "Lists the user tables of an Access database in catalogue order, one a line:\n"
         "name, kind and row count, separated by tabs. The row count is the number of rows\n"
         "a full read delivers. Objects that hold no rows in this file (linked tables,\n"
         "pass-through tables, queries) show \"-\" as their row count.\n"
         "\n"
         "Options:\n"
         "  --all                also list system tables, Access tables, links and queries\n"
         "                       (kinds: TABLE, SYSTEM TABLE, ACCESS TABLE, LINK,\n"
         "                       PASS-THROUGH, VIEW)\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments TablesCommand::acceptedArguments() const {
  return {{"FILE"}, {{"password", true}, {"all", false}}};
}

int TablesCommand::run(const Arguments& args, CommandContext& context) const {
  auto db = openDatabase(args, context);
  if (!db) return kExitFailure;
  const bool all = args.flag("all");
  for (const db::SchemaRow& entry : db->tableSchema()) {
    if (!all && !db::isUserTable(entry)) continue;
    std::string count = "-";
    if (entry.stored) {
      auto rows = db::countRecords(*db, entry.tableName);
      if (!rows.ok()) return failWith(context, rows.error(), db->path());
      count = std::to_string(*rows);
    }
    context.out << entry.tableName << '\t' << entry.tableType << '\t' << count << '\n';
  }
  context.out.flush();
  return context.out ? kExitOk : fail(context, "cannot write to the standard output");
}

}  // namespace cli
