// replace_command.h: "fieldmend-cli replace FILE": the replacement run over chosen tables with one
// find/replace pair or a set file, printing per table what it read, changed and skipped.
#pragma once

#include "cli/command.h"

namespace cli {

class ReplaceCommand : public Command {
 public:
  std::string_view name() const override { return "replace"; }
  std::string_view summary() const override { return "find and replace text in tables"; }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
