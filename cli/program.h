// program.h: fieldmend-cli as a whole: picks the command named by the first word, answers the
// program's own --help and --version, and maps a missing or unknown command to a usage error.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cli/command.h"

namespace cli {

class Program {
 public:
  Program();  // with every command
  // `args` are the words after the program's name; returns the exit code.
  int run(std::span<const std::string> args, CommandContext& context) const;
  std::string help() const;

 private:
  const Command* find(std::string_view name) const;
  std::vector<std::unique_ptr<Command>> commands_;
};

}  // namespace cli
