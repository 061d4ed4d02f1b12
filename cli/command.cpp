// command.cpp: the steps every command shares: argument checks, --help, opening the database and
// reporting failures as one line on the error stream.
#include "cli/command.h"

#include <ostream>

#include "db/connection_string.h"

namespace cli {

std::string oneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

int Command::execute(std::span<const std::string> args, CommandContext& context) const {
  auto parsed = parseArguments(args, acceptedArguments());
  if (!parsed.ok()) {
    context.err << kProgramName << ": " << name() << ": " << parsed.error().description << " (try '"
                << kProgramName << ' ' << name() << " --help')\n";
    return kExitUsage;
  }
  if (parsed->help) {
    context.out << help();
    return kExitOk;
  }
  return run(*parsed, context);
}

int Command::fail(CommandContext& context, std::string_view message) const {
  context.err << kProgramName << ": " << name() << ": " << oneLine(message) << '\n';
  return kExitFailure;
}

int Command::failWith(CommandContext& context, const jet::Error& error,
                      const std::string& path) const {
  if (error.description.find(path) != std::string::npos) return fail(context, error.description);
  return fail(context, path + ": " + error.description);
}

std::unique_ptr<db::Connection> Command::openDatabase(const Arguments& args,
                                                      CommandContext& context) const {
  const std::string& path = args.positional[0];
  auto db = db::Connection::open(db::buildConnectionString(path, args.value("password")),
                                 db::ConnectionMode::kRead, context.openDatabase);
  if (!db.ok()) {
    const std::string& d = db.error().description;
    fail(context, d.find(path) != std::string::npos ? d : "cannot open " + path + ": " + d);
    return nullptr;
  }
  if (std::string notice = (*db)->recoveryNotice(); !notice.empty()) {
    context.err << "fieldmend-cli: " << notice << "\n";
  }
  return std::move(*db);
}

}  // namespace cli
