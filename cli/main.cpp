// main.cpp: fieldmend-cli's entry point: wires the real streams and the engine into the program.
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  cli::CommandContext context{std::cout, std::cerr, &jet::Database::open};
  return cli::Program().run(args, context);
}
