// password_source.h: where a command's database password comes from. Besides --password (which
// every local user can read in the process list) a password file, the environment, or a prompt on
// the terminal. Decides only which source; never prints or logs the password.
#pragma once

#include <string>

#include "cli/arguments.h"
#include "jet/core/status.h"

namespace cli {

struct CommandContext;

inline constexpr char kPasswordVariable[] = "FIELDMEND_PASSWORD";

// The first line of `path` without its line end; an error names the file.
jet::Result<std::string> readPasswordFile(const std::string& path);

// Sets the "password" value of `args` from the first source that has one: --password,
// --password-file, FIELDMEND_PASSWORD, and last a prompt, asked only when the database (the
// first positional argument) needs a password and the context can ask. An error's number is the
// exit code: kExitUsage for --password with --password-file, else kExitFailure.
jet::Status choosePassword(Arguments& args, CommandContext& context);

// The lines that every command taking a password adds to its --help.
std::string passwordSourcesHelp();

}  // namespace cli
