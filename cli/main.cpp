// main.cpp: fieldmend-cli's entry point: wires the real streams and the engine into the program.
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  cli::CommandContext context{std::cout, std::cerr, {}};
  context.env = [](const char* name) -> const char* { return std::getenv(name); };
  context.clock = [] {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
  };
  context.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  return cli::Program().run(args, context);
}
