// undo_command.h: "fieldmend-cli undo DATABASE UNDOFILE": takes a replace run back from its undo
// file; and what replace needs for its undo file (the options' plan, rows named in its output).
#pragma once

#include <memory>
#include <string>

#include "cli/command.h"
#include "engine/replacement_run.h"
#include "engine/row_identity.h"
#include "engine/undo_file.h"

namespace cli {

class UndoCommand : public Command {
 public:
  std::string_view name() const override { return "undo"; }
  std::string_view summary() const override { return "take a replace run back from its undo file"; }
  std::string help() const override;
  AcceptedArguments acceptedArguments() const override;

 protected:
  int run(const Arguments& args, CommandContext& context) const override;
};

// The undo file a replace run is to write, as --undo-file and --no-undo choose: none for a dry
// run, with --no-undo, or (unless --undo-file names one) for a protected database; `note` then
// says why when the user should hear it.
struct UndoFilePlan {
  std::unique_ptr<engine::UndoFileWriter> writer;
  std::string note;
};
jet::Result<UndoFilePlan> planUndoFile(const Arguments& args, const engine::RunInputs& inputs,
                                       const std::string& logPath, CommandContext& context);

// The rows of a run's changes, named as the command line shows them.
class RowNames {
 public:
  // The row of the change (its record as read). Valid until the next call.
  const engine::RowIdentity& of(const engine::FieldChange& change);

 private:
  std::unique_ptr<engine::RowNamer> namer_;
  std::string table_;
  engine::RowIdentity row_;
};

// ,"key":{"ID":"5"} for a row with a key, else ,"locator":{"page":12,"slot":3}.
std::string rowJsonMember(const engine::RowIdentity& row);

}  // namespace cli
