// export_command.cpp: finds the table, then streams its rows into a JSON or CSV writer; memory
// holds one row at a time however large the table.
#include "cli/export_command.h"

#include <algorithm>
#include <ostream>

#include "cli/row_writer.h"
#include "jet/core/error_codes.h"

namespace cli {
namespace {

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// A catalogue entry of that name that names something other than a table stored in this file.
const jet::CatalogEntry* nonLocalEntry(const jet::Database& db, std::string_view name) {
  for (const jet::CatalogEntry& e : db.catalogue()) {
    if (e.tdefPage == 0 && e.kind != jet::ObjectKind::kOther && sameNameIgnoringCase(e.name, name))
      return &e;
  }
  return nullptr;
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

std::optional<jet::TableDef> ExportCommand::findTable(const jet::Database& db,
                                                      const std::string& name,
                                                      CommandContext& context) const {
  if (const jet::CatalogEntry* e = nonLocalEntry(db, name)) {
    fail(context, "\"" + e->name + "\" in " + db.path() + " is a " +
                      std::string(jet::objectKindText(e->kind)) +
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
  auto scan = db->scan(*table);
  if (!scan.ok()) return failWith(context, scan.error(), db->path());

  writer->begin(*table);
  jet::Row row;
  while (true) {
    auto more = (*scan)->next(row);
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
