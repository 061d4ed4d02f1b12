// command.h: what every fieldmend-cli command shares: its name, help text and accepted arguments,
// the context it runs in (output streams, how to open a database) and the exit codes.
// Each command lives in its own file; the program picks one by name. Commands reach the file
// engine only through the provider layer (db/).
#pragma once

#include <ctime>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "db/connection.h"

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the file or database could not be read
inline constexpr int kExitUsage = 2;    // unknown command or option, missing argument

inline constexpr std::string_view kProgramName = "fieldmend-cli";

struct CommandContext {
  std::ostream& out;
  std::ostream& err;
  // How connections read the file: empty for the engine's reader; tests hand in a fake.
  db::ReaderOpener openDatabase;
  // For the commands that change a database: the environment (the change log's folder), the
  // local clock (its timestamps), and whether `err` is a terminal (progress is drawn there).
  std::function<const char*(const char*)> env = [](const char*) -> const char* { return nullptr; };
  std::function<std::tm()> clock = [] { return std::tm{}; };
  bool errIsTerminal = false;
  bool outIsTerminal = false;  // search marks its matches in colour there
  // The password prompt: whether the database at a path needs a password, and asking for it
  // without echo (nothing when none was given). Both null when standard input is no terminal.
  std::function<bool(const std::string& path)> needsPassword = nullptr;
  std::function<std::optional<std::string>(const std::string& prompt)> askPassword = nullptr;
};

class Command {
 public:
  virtual ~Command() = default;

  virtual std::string_view name() const = 0;
  virtual std::string_view summary() const = 0;  // one line for the program's help
  virtual std::string help() const = 0;          // the full text of "COMMAND --help"
  virtual AcceptedArguments acceptedArguments() const = 0;

  // Parses `args` (the words after the command's name), answers --help, picks the password from
  // its sources (a command that takes --password also takes --password-file), then runs.
  int execute(std::span<const std::string> args, CommandContext& context) const;

 protected:
  virtual int run(const Arguments& args, CommandContext& context) const = 0;

  // Writes "fieldmend-cli: NAME: message (try ...)" on the error stream; returns kExitUsage.
  int usageError(CommandContext& context, std::string_view message) const;
  // Writes "fieldmend-cli: NAME: message" as one line on the error stream; returns kExitFailure.
  int fail(CommandContext& context, std::string_view message) const;
  // Opens a read-only connection to the database named by the first positional argument with the
  // --password option, or reports why it cannot (returning null).
  std::unique_ptr<db::Connection> openDatabase(const Arguments& args,
                                               CommandContext& context) const;
  // Reports that the database at `path` cannot be opened, as openDatabase does; kExitFailure.
  int failToOpen(CommandContext& context, const jet::Error& error, const std::string& path) const;
  // Reports an engine error: its description, with the database's path in front unless the
  // description names it already. Returns kExitFailure.
  int failWith(CommandContext& context, const jet::Error& error, const std::string& path) const;
};

// The text of an error as one line: line breaks become spaces.
std::string oneLine(std::string_view text);

}  // namespace cli
