// sql_command.h: "fieldmend-cli sql FILE STATEMENT": runs the select statement (the rows as JSON
// lines) or the update statement (the number of records changed) through the provider layer.
#pragma once

#include "cli/command.h"

namespace cli {

class SqlCommand : public Command {
 public:
  std::string_view name() const override { return "sql"; }
  std::string_view summary() const override { return "run a select or update statement"; }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
