// search_command.h: "fieldmend-cli search FILE ... --find X": every occurrence of the find text
// in the chosen tables and columns, or their counts, with the database opened read-only.
#pragma once

#include "cli/command.h"

namespace cli {

class SearchCommand : public Command {
 public:
  std::string_view name() const override { return "search"; }
  std::string_view summary() const override {
    return "print where a text occurs, changing nothing";
  }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
