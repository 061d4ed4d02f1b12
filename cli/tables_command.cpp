// tables_command.cpp: lists catalogue entries (user tables, or with --all every kind the table
// schema shows) in catalogue order, counting the rows of local tables by scanning them.
#include "cli/tables_command.h"

#include <ostream>

namespace cli {
namespace {

// Rows a full scan delivers (the count stored in the table definition may be stale).
jet::Result<std::uint64_t> countRows(const jet::Database& db, const jet::CatalogEntry& entry) {
  JET_ASSIGN_OR_RETURN(jet::TableDef table, db.table(entry.name));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<jet::TableScan> scan, db.scan(table));
  std::uint64_t count = 0;
  jet::Row row;
  while (true) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) return count;
    ++count;
  }
}

bool listed(const jet::CatalogEntry& entry, bool all) {
  if (entry.kind == jet::ObjectKind::kTable) return true;
  return all && entry.kind != jet::ObjectKind::kOther;
}

}  // namespace

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
  for (const jet::CatalogEntry& entry : db->catalogue()) {
    if (!listed(entry, all)) continue;
    std::string count = "-";
    if (entry.tdefPage != 0) {
      auto rows = countRows(*db, entry);
      if (!rows.ok()) return failWith(context, rows.error(), db->path());
      count = std::to_string(*rows);
    }
    context.out << entry.name << '\t' << jet::objectKindText(entry.kind) << '\t' << count << '\n';
  }
  context.out.flush();
  return context.out ? kExitOk : fail(context, "cannot write to the standard output");
}

}  // namespace cli
