// check_command.cpp: runs the integrity check on a file and prints what it finds.
#include "cli/check_command.h"

#include <ostream>

#include "db/connection_string.h"
#include "db/integrity_check.h"

namespace cli {

std::string CheckCommand::help() const {
  return "Usage: fieldmend-cli check (FILE ... | --recursive DIR) [-j N] [--password PASSWORD]\n"
         "Checks the structure of an Access database without changing it: every table page\n"
         "owned by one table and marked used, rows and moved rows readable, long values\n"
         "complete. Prints one line per problem, or \"no problems found\".\n"
         "Exit status: 0 when no problem is found, 1 when problems are found or the file\n"
         "cannot be read.\n"
         "Several files (or --recursive DIR, every .mdb and .accdb below DIR) are worked\n"
         "on one by one as if alone, -j N at a time (default: one per core); a file that\n"
         "fails is reported and the others go on, and a last list names every file.\n"
         "\n"
         "Options:\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments CheckCommand::acceptedArguments() const {
  return {{"FILE"}, {{"password", true}}, true};
}

int CheckCommand::run(const Arguments& args, CommandContext& context) const {
  const std::string& path = args.positional.at(0);
  auto problems = db::checkIntegrity(db::buildConnectionString(path, args.value("password")));
  if (!problems.ok()) return failWith(context, problems.error(), path);
  for (const auto& line : *problems) context.out << path << ": " << oneLine(line) << '\n';
  if (problems->empty()) context.out << path << ": no problems found\n";
  if (!context.out) return fail(context, "cannot write to the standard output");
  return problems->empty() ? kExitOk : kExitFailure;
}

}  // namespace cli
