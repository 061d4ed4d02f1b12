// export_command.cpp: finds the table, then streams its rows into a JSON or CSV writer; memory
// holds one row at a time however large the table.
#include "cli/export_command.h"

#include <optional>
#include <ostream>

#include "cli/row_writer.h"
#include "db/table_rows.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"

namespace cli {
namespace {

// The table schema's row of that name when it names something whose records are not stored in
// this file (a link, a pass-through table, a query).
std::optional<db::SchemaRow> nonLocalEntry(const db::Connection& db, std::string_view name) {
  for (const db::SchemaRow& e : db.tableSchema()) {
    if (!e.stored && jet::equalsIgnoringCase(e.tableName, name)) return e;
  }
  return std::nullopt;
}

}  // namespace

std::string ExportCommand::help() const {
  return "Usage: fieldmend-cli export FILE TABLE [--password PASSWORD] [--format json|csv]\n"
         "Writes every row of TABLE to the standard output, as it reads them.\n"
         "\n"
         "json (the default): an array of objects, one a line, keyed by column name in table\n"
         "  order. Text, memo and GUID are strings; byte, integer, long and complex ids are\n"
         "  numbers; big integers are strings; single and double are the shortest number that\n"
         "  reads back the same; currency and decimal are exact numbers; dates are ISO 8601\n"
         "  strings (\"2021-06-14T12:45:00\", \".fff\" only with milliseconds); yes/no is\n"
         "  true/false; binary and OLE are lowercase hex strings; empty cells are null.\n"
         "csv: RFC 4180 with a header line of column names and CRLF line ends; fields are\n"
         "  quoted when they hold a comma, quote, CR or LF. The values are the texts above;\n"
         "  yes/no is true/false, an empty cell (null) is an empty field, an empty text is \"\".\n"
         "\n"
         "Options:\n"
         "  --format json|csv    the output format (default json)\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments ExportCommand::acceptedArguments() const {
  return {{"FILE", "TABLE"}, {{"password", true}, {"format", true}}};
}

std::optional<jet::TableDef> ExportCommand::findTable(const db::Connection& db,
                                                      const std::string& name,
                                                      CommandContext& context) const {
  if (const std::optional<db::SchemaRow> e = nonLocalEntry(db, name)) {
    fail(context, "\"" + e->tableName + "\" in " + db.path() + " is a " + e->tableType +
                      ", not a table stored in the file");
    return std::nullopt;
  }
  auto table = db.table(name);
  if (table.ok()) return std::move(*table);
  if (table.error().number == jet::err::kNoSuchTable)
    fail(context, "table \"" + name + "\" not found in " + db.path());
  else
    failWith(context, table.error(), db.path());
  return std::nullopt;
}

int ExportCommand::run(const Arguments& args, CommandContext& context) const {
  const std::string format = args.value("format", "json");
  std::unique_ptr<RowWriter> writer = makeRowWriter(format, context.out);
  if (!writer) {
    context.err << kProgramName << ": export: unknown format \"" << oneLine(format)
                << "\" (use json or csv)\n";
    return kExitUsage;
  }
  auto db = openDatabase(args, context);
  if (!db) return kExitFailure;
  std::optional<jet::TableDef> table = findTable(*db, args.positional[1], context);
  if (!table) return kExitFailure;
  auto rows = db::TableRows::open(*db, *table);
  if (!rows.ok()) return failWith(context, rows.error(), db->path());

  writer->begin(*table);
  jet::Row row;
  while (true) {
    auto more = (*rows)->next(row);
    if (!more.ok()) {
      context.out.flush();
      return failWith(context, more.error(), db->path());
    }
    if (!*more) break;
    writer->row(row);
    if (!context.out) return fail(context, "cannot write to the standard output");
  }
  writer->end();
  return context.out ? kExitOk : fail(context, "cannot write to the standard output");
}

}  // namespace cli
