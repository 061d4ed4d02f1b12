// password_source.cpp: the order of the password sources, the password file and the prompt.
#include "cli/password_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli/command.h"

namespace cli {

jet::Result<std::string> readPasswordFile(const std::string& path) {
  const auto fail = [&](const std::string& why) {
    return jet::Error{kExitFailure, "cannot read the password file " + path + ": " + why};
  };
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return fail("it is a folder");
  std::ifstream in(path, std::ios::binary);  // a pipe such as <(command) is fine too
  if (!in) return fail(std::strerror(errno));
  std::string line;
  std::getline(in, line);
  if (in.bad()) return fail(std::strerror(errno));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

jet::Status choosePassword(Arguments& args, CommandContext& context) {
  const bool typed = args.values.contains("password");
  const bool fromFile = args.values.contains("password-file");
  if (typed && fromFile) {
    return jet::Error{kExitUsage, "give --password or --password-file, not both"};
  }
  if (typed) return {};
  if (fromFile) {
    JET_ASSIGN_OR_RETURN(args.values["password"], readPasswordFile(args.value("password-file")));
    return {};
  }
  if (const char* value = context.env(kPasswordVariable); value != nullptr) {
    args.values["password"] = value;
    return {};
  }
  if (!context.askPassword || !context.needsPassword || args.positional.empty()) return {};
  const std::string& path = args.positional[0];
  if (!context.needsPassword(path)) return {};
  std::optional<std::string> answer = context.askPassword("Password for " + path + ": ");
  if (!answer) return jet::Error{kExitFailure, path + " needs a password and none was given"};
  args.values["password"] = std::move(*answer);
  return {};
}

std::string passwordSourcesHelp() {
  return "\n"
         "The password, the first given of:\n"
         "  --password PASSWORD   on the command line, where every local user can read it\n"
         "                        (ps, /proc): prefer one of the others\n"
         "  --password-file FILE  the first line of FILE\n"
         "  FIELDMEND_PASSWORD    the environment variable\n"
         "  (else) a prompt       without echo, when the database needs a password and\n"
         "                        standard input is a terminal\n";
}

}  // namespace cli
