// export_command.h: "fieldmend-cli export FILE TABLE": every row of one table as JSON or CSV,
// written while the table is read.
#pragma once

#include "cli/command.h"

namespace cli {

class ExportCommand : public Command {
 public:
  std::string_view name() const override { return "export"; }
  std::string_view summary() const override { return "write every row of a table as JSON or CSV"; }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;

 private:
  // The table's definition, or a reported failure (returning nullopt).
  std::optional<jet::TableDef> findTable(const db::Connection& db, const std::string& name,
                                         CommandContext& context) const;
};

}  // namespace cli
