// check_command.h: "fieldmend-cli check FILE": the engine's integrity check of a database's
// pages, maps, rows and long values, one line per problem.
#pragma once

#include "cli/command.h"

namespace cli {

class CheckCommand : public Command {
 public:
  std::string_view name() const override { return "check"; }
  std::string_view summary() const override {
    return "check the file's pages, page maps, rows and long values for damage";
  }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
