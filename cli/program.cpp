// program.cpp: dispatch to the commands, and the program's help listing them.
#include "cli/program.h"

#include <ostream>

#include "cli/check_command.h"
#include "cli/export_command.h"
#include "cli/info_command.h"
#include "cli/replace_command.h"
#include "cli/search_command.h"
#include "cli/sql_command.h"
#include "cli/tables_command.h"
#include "cli/undo_command.h"
#include "fieldmend_version.h"

namespace cli {

Program::Program() {
  commands_.push_back(std::make_unique<InfoCommand>());
  commands_.push_back(std::make_unique<TablesCommand>());
  commands_.push_back(std::make_unique<ExportCommand>());
  commands_.push_back(std::make_unique<CheckCommand>());
  commands_.push_back(std::make_unique<ReplaceCommand>());
  commands_.push_back(std::make_unique<SearchCommand>());
  commands_.push_back(std::make_unique<SqlCommand>());
  commands_.push_back(std::make_unique<UndoCommand>());
}

const Command* Program::find(std::string_view name) const {
  for (const auto& c : commands_)
    if (c->name() == name) return c.get();
  return nullptr;
}

std::string Program::help() const {
  std::string text =
      "Usage: fieldmend-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
      "Reads Microsoft Access databases (.mdb, .accdb) and replaces text in their tables;\n"
      "only replace, undo and sql's update statement change the file.\n"
      "\n"
      "Commands:\n";
  for (const auto& c : commands_) {
    std::string name(c->name());
    name.resize(10, ' ');
    text += "  " + name + std::string(c->summary()) + "\n";
  }
  text +=
      "\n"
      "Options:\n"
      "  --help     show this text\n"
      "  --version  show the version\n"
      "\n"
      "Run 'fieldmend-cli COMMAND --help' for a command's arguments and options.\n"
      "A database password is best given with --password-file FILE, the FIELDMEND_PASSWORD\n"
      "variable or at the prompt: --password PASSWORD is visible to other local users.\n"
      "Exit status: 0 on success, 1 when the file or database cannot be read,\n"
      "2 on a usage error (unknown command or option, missing argument).\n";
  return text;
}

int Program::run(std::span<const std::string> args, CommandContext& context) const {
  if (args.empty()) {
    context.err << kProgramName << ": missing command (try '" << kProgramName << " --help')\n";
    return kExitUsage;
  }
  const std::string& first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    context.out << help();
    return kExitOk;
  }
  if (first == "--version") {
    context.out << kProgramName << ' ' << FIELDMEND_VERSION << '\n';
    return kExitOk;
  }
  const Command* command = find(first);
  if (command == nullptr) {
    context.err << kProgramName << ": unknown " << (first.starts_with("-") ? "option" : "command")
                << " \"" << oneLine(first) << "\" (try '" << kProgramName << " --help')\n";
    return kExitUsage;
  }
  return command->execute(args.subspan(1), context);
}

}  // namespace cli
