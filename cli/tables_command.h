// tables_command.h: "fieldmend-cli tables FILE": the tables of the catalogue with their kind and
// the number of rows a scan delivers.
#pragma once

#include "cli/command.h"

namespace cli {

class TablesCommand : public Command {
 public:
  std::string_view name() const override { return "tables"; }
  std::string_view summary() const override { return "list the tables with their row counts"; }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
