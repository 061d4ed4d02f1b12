// info_command.h: "fieldmend-cli info FILE": what the header page says, one "key: value" a line.
#pragma once

#include "cli/command.h"

namespace cli {

class InfoCommand : public Command {
 public:
  std::string_view name() const override { return "info"; }
  std::string_view summary() const override {
    return "show the file's format, page size, code page and encryption";
  }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

}  // namespace cli
