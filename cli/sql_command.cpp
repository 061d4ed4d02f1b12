// sql_command.cpp: one statement through the provider layer's connection and recordset.
#include "cli/sql_command.h"

#include <ostream>

#include "cli/cell_text.h"
#include "cli/quoting.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/recordset.h"
#include "db/sql_statement.h"

namespace cli {
namespace {

// Every record as one JSON object a line, keyed by field name in table order.
jet::Status printRecords(db::Recordset& records, std::ostream& out) {
  while (!records.eof()) {
    out << '{';
    for (std::size_t k = 0; k < records.fieldCount(); ++k) {
      out << (k == 0 ? "" : ",") << jsonString(records.fieldName(k)) << ':'
          << jsonCell(records.field(k), records.value(k));
    }
    out << "}\n";
    JET_TRY(records.moveNext());
  }
  return {};
}

}  // namespace

std::string SqlCommand::help() const {
  return "Usage: fieldmend-cli sql FILE STATEMENT [--password PASSWORD]\n"
         "Runs one statement on an Access database. Two forms are understood:\n"
         "  SELECT * FROM `TABLE`\n"
         "      prints every record as a JSON object on a line of its own;\n"
         "  UPDATE [TABLE] SET [COLUMN] = 'NEW' WHERE [COLUMN] = 'OLD'\n"
         "      changes every record whose COLUMN equals OLD (letter case aside) to NEW\n"
         "      and prints how many records it changed. This changes the file in place.\n"
         "A quote inside a value is written twice ('').\n"
         "\n"
         "Options:\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments SqlCommand::acceptedArguments() const {
  return {{"FILE", "STATEMENT"}, {{"password", true}}};
}

int SqlCommand::run(const Arguments& args, CommandContext& context) const {
  const std::string& path = args.positional[0];
  const std::string& sql = args.positional[1];
  auto statement = db::parseStatement(sql);
  if (!statement.ok()) return fail(context, statement.error().description);
  auto connection = db::Connection::open(db::buildConnectionString(path, args.value("password")),
                                         db::ConnectionMode::kReadWrite);
  if (!connection.ok()) return failWith(context, connection.error(), path);
  db::Connection& open = **connection;
  if (std::holds_alternative<db::SelectAll>(*statement)) {
    auto records = open.openRecordset(sql);
    if (!records.ok()) return failWith(context, records.error(), path);
    jet::Status printed = printRecords(**records, context.out);
    if (!printed.ok()) return failWith(context, printed.error(), path);
    return kExitOk;
  }
  auto changed = open.execute(sql);
  if (!changed.ok()) return failWith(context, changed.error(), path);
  jet::Status closed = open.close();
  if (!closed.ok()) return failWith(context, closed.error(), path);
  context.out << *changed << (*changed == 1 ? " record changed\n" : " records changed\n");
  return kExitOk;
}

}  // namespace cli
