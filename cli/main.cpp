// main.cpp: fieldmend-cli's entry point: wires the real streams, the engine and (on a terminal)
// the password prompt into the program.
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "cli/terminal_password.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "engine/change_log.h"
#include "jet/core/error_codes.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  cli::CommandContext context{std::cout, std::cerr, {}};
  context.env = [](const char* name) -> const char* { return std::getenv(name); };
  context.clock = engine::localTimeNow;
  context.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  context.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
  if (::isatty(STDIN_FILENO) == 1) {
    context.needsPassword = [](const std::string& path) {
      auto tried = db::Connection::open(db::buildConnectionString(path, ""), db::ConnectionMode::kRead);
      return !tried.ok() && tried.error().number == jet::err::kAuthFailed;
    };
    context.askPassword = [](const std::string& prompt) {
      return cli::readPasswordWithoutEcho(STDIN_FILENO, STDERR_FILENO, prompt);
    };
  }
  return cli::Program().run(args, context);
}
