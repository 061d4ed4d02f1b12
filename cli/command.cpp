// command.cpp: the steps every command shares: argument checks, --help, opening the database and
// reporting failures as one line on the error stream.
#include "cli/command.h"

#include <algorithm>
#include <ostream>

#include "cli/many_files.h"
#include "cli/password_source.h"
#include "db/connection_string.h"

namespace cli {

std::string oneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

int Command::execute(std::span<const std::string> args, CommandContext& context) const {
  AcceptedArguments accepted = acceptedArguments();
  const bool takesPassword = std::any_of(accepted.options.begin(), accepted.options.end(),
                                         [](const OptionRule& o) { return o.name == "password"; });
  if (takesPassword) accepted.options.push_back({"password-file", true});
  if (accepted.manyFiles) {
    accepted.options.push_back({"recursive", true});
    accepted.options.push_back({"jobs", true});
  }
  auto parsed = parseArguments(args, accepted);
  if (!parsed.ok()) return usageError(context, parsed.error().description);
  if (parsed->help) {
    context.out << help() << (takesPassword ? passwordSourcesHelp() : "");
    return kExitOk;
  }
  if (takesPassword) {
    if (jet::Status chosen = choosePassword(*parsed, context); !chosen.ok()) {
      if (chosen.number() == kExitUsage) return usageError(context, chosen.description());
      return fail(context, chosen.description());
    }
  }
  if (accepted.manyFiles && (parsed->positional.size() != 1 || parsed->values.contains("recursive"))) {
    if (parsed->values.contains("undo-file")) {
      return usageError(context,
                        "--undo-file names the undo file of one database; with several, leave it "
                        "out and each gets its own beside the change log");
    }
    auto files = filesToWorkOn(*parsed);
    if (!files.ok()) return fail(context, files.error().description);
    if (files->empty()) {
      return parsed->values.contains("recursive")
                 ? fail(context, "no .mdb or .accdb file below " + parsed->value("recursive"))
                 : usageError(context, "missing FILE");
    }
    return runOnEveryFile(name(), *files, *parsed, context,
                          [this](const Arguments& one, CommandContext& cx) { return run(one, cx); });
  }
  return run(*parsed, context);
}

int Command::usageError(CommandContext& context, std::string_view message) const {
  context.err << kProgramName << ": " << name() << ": " << message << " (try '" << kProgramName
              << ' ' << name() << " --help')\n";
  return kExitUsage;
}

int Command::fail(CommandContext& context, std::string_view message) const {
  context.err << kProgramName << ": " << name() << ": " << oneLine(message) << '\n';
  return kExitFailure;
}

int Command::failToOpen(CommandContext& context, const jet::Error& error,
                        const std::string& path) const {
  const std::string& d = error.description;
  return fail(context, d.find(path) != std::string::npos ? d : "cannot open " + path + ": " + d);
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
    failToOpen(context, db.error(), path);
    return nullptr;
  }
  if (std::string notice = (*db)->recoveryNotice(); !notice.empty()) {
    context.err << "fieldmend-cli: " << notice << "\n";
  }
  return std::move(*db);
}

}  // namespace cli
