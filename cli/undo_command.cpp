// undo_command.cpp: the undo command, and the undo file of replace: which one it writes, and
// how its rows are named on the command line.
#include "cli/undo_command.h"

#include <ostream>

#include "cli/progress_bar.h"
#include "cli/quoting.h"
#include "cli/stream_error_reporter.h"
#include "db/connection_string.h"
#include "db/file_exists.h"
#include "db/recordset.h"
#include "engine/undo_run.h"
#include "jet/core/error_codes.h"

namespace cli {
namespace {

const char* fateWord(engine::CellFate fate) {
  switch (fate) {
    case engine::CellFate::kMade: return "putBack";
    case engine::CellFate::kAlreadyMade: return "alreadyBack";
    case engine::CellFate::kChangedSince: return "changedSince";
    case engine::CellFate::kRowGone: return "rowGone";
    case engine::CellFate::kFailed: return "failed";
  }
  return "";
}

// Prints the cells the user must hear of (each left alone or refused; in a dry run also each
// that would be put back), as they are handled.
class CellPrinter : public engine::CellObserver {
 public:
  CellPrinter(std::ostream& out, bool json, bool dryRun)
      : out_(out), json_(json), dryRun_(dryRun) {}

  void cell(const engine::CellReport& c) override {
    if (c.fate == engine::CellFate::kAlreadyMade) return;
    if (c.fate == engine::CellFate::kMade && !dryRun_) return;
    if (json_) {
      out_ << "{\"cell\":{\"table\":" << jsonString(c.table) << rowJsonMember(*c.row)
           << ",\"column\":" << jsonString(c.column) << ",\"fate\":\"" << fateWord(c.fate)
           << "\",\"runNew\":" << jsonString(c.expected) << ",\"runOld\":"
           << jsonString(c.wanted);
      if (c.fate == engine::CellFate::kChangedSince && c.reason == nullptr) {
        out_ << ",\"now\":" << jsonString(c.found);
      }
      if (c.reason != nullptr) out_ << ",\"reason\":" << jsonString(c.reason->description);
      out_ << "}}\n";
      return;
    }
    const std::string where = terminalSafe(c.table) + "." + terminalSafe(c.column) + " [" +
                              terminalSafe(c.row->text()) + "]";
    switch (c.fate) {
      case engine::CellFate::kMade:
        out_ << "would put back " << where << ": " << jsonString(c.expected) << " -> "
             << jsonString(c.wanted) << '\n';
        break;
      case engine::CellFate::kChangedSince:
        out_ << "left alone " << where << ": changed since the run";
        if (c.reason != nullptr) {
          out_ << " (" << terminalSafe(oneLine(c.reason->description)) << ")";
        } else {
          out_ << ", it holds " << jsonString(c.found) << ", not " << jsonString(c.expected);
        }
        out_ << '\n';
        break;
      case engine::CellFate::kRowGone:
      case engine::CellFate::kFailed:
        out_ << (c.fate == engine::CellFate::kRowGone ? "left alone " : "not put back ") << where
             << ": " << terminalSafe(oneLine(c.reason ? c.reason->description : "")) << '\n';
        break;
      case engine::CellFate::kAlreadyMade:
        break;
    }
  }

 private:
  std::ostream& out_;
  bool json_;
  bool dryRun_;
};

void printJsonOutcome(std::ostream& out, const engine::ApplyOutcome& o, bool dryRun) {
  out << "{\"undo\":{\"changes\":" << o.changes << ",\"putBack\":" << o.made
      << ",\"alreadyBack\":" << o.alreadyMade << ",\"changedSince\":" << o.changedSince
      << ",\"rowsGone\":" << o.rowsGone << ",\"failed\":" << o.failed
      << ",\"logLines\":" << o.logLines << ",\"dryRun\":" << (dryRun ? "true" : "false")
      << ",\"cancelled\":" << (o.cancelled ? "true" : "false");
  if (o.failure) out << ",\"stopped\":" << jsonString(o.failure->description);
  if (!dryRun) out << ",\"log\":" << jsonString(o.logPath);
  out << ",\"notes\":[";
  for (std::size_t i = 0; i < o.notes.size(); ++i) {
    out << (i == 0 ? "" : ",") << jsonString(o.notes[i]);
  }
  out << "]}}\n";
}

}  // namespace

// ---- replace's undo file

jet::Result<UndoFilePlan> planUndoFile(const Arguments& args, const engine::RunInputs& inputs,
                                       const std::string& logPath, CommandContext& context) {
  UndoFilePlan plan;
  if (args.flag("dry-run") || args.flag("no-undo")) return plan;
  const bool chosen = args.values.contains("undo-file");
  const std::string& database = inputs.databasePath;
  if (chosen) {
    const std::string path = args.value("undo-file");
    if (db::fileExists(path)) {
      return jet::Error{jet::err::kIo, "the undo file " + path +
                                           " already exists; it may be needed to take back an "
                                           "earlier run, so choose another path"};
    }
  } else {
    auto connection = db::Connection::open(
        db::buildConnectionString(database, inputs.password), db::ConnectionMode::kRead,
        context.openDatabase);
    if (!connection.ok()) return plan;  // the run itself reports why it cannot open the file
    if (engine::databaseIsProtected((*connection)->header())) {
      plan.note = "No undo file was written: " + database +
                  " is protected by a password or encryption, and an undo file would hold its "
                  "values in plain text. Give --undo-file PATH to write one anyway.";
      return plan;
    }
  }
  std::vector<engine::ReplacementSet> pairs =
      inputs.tabIndex == engine::kMultipleTab
          ? inputs.sets
          : std::vector<engine::ReplacementSet>{{inputs.findText, inputs.replaceText}};
  const std::string path =
      chosen ? args.value("undo-file") : engine::defaultUndoPath(logPath, context.clock());
  plan.writer =
      std::make_unique<engine::UndoFileWriter>(path, chosen, database, std::move(pairs));
  return plan;
}

const engine::RowIdentity& RowNames::of(const engine::FieldChange& change) {
  if (change.record == nullptr) {
    row_ = engine::RowIdentity{};
    return row_;
  }
  if (!namer_ || table_ != change.table) {
    namer_ = std::make_unique<engine::RowNamer>(change.record->table());
    table_ = std::string(change.table);
  }
  row_ = namer_->name(*change.record);
  return row_;
}

std::string rowJsonMember(const engine::RowIdentity& row) {
  if (!row.hasKey()) {
    return ",\"locator\":{\"page\":" + std::to_string(row.locator.page) +
           ",\"slot\":" + std::to_string(row.locator.row) + "}";
  }
  std::string out = ",\"key\":{";
  for (std::size_t i = 0; i < row.key.size(); ++i) {
    if (i > 0) out += ',';
    appendJsonString(out, row.key[i].column);
    out += ':';
    appendJsonString(out, row.key[i].value);
  }
  return out + "}";
}

// ---- the undo command

std::string UndoCommand::help() const {
  return "Usage: fieldmend-cli undo DATABASE UNDOFILE [--password PASSWORD]\n"
         "         [--dry-run] [--log PATH] [--json]\n"
         "Takes back the replace run that wrote UNDOFILE: each cell that still holds the value\n"
         "the run put there gets its old value back. A cell changed since the run is left\n"
         "alone and listed. Every value put back first gets its line in the change log, with\n"
         "the run's find and replace texts the other way round. An undo file made for another\n"
         "database is refused; undoing the same file again changes nothing.\n"
         "\n"
         "Options:\n"
         "  --dry-run            list what would be put back; change and log nothing\n"
         "  --log PATH           write the change log to PATH instead of backups.log\n"
         "  --json               print JSON lines instead of text\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n"
         "\n"
         "Exit status: 0 when every value was put back (or was back already), 1 when any was\n"
         "left alone or the undo could not be done, 2 on a usage error.\n";
}

AcceptedArguments UndoCommand::acceptedArguments() const {
  return {{"DATABASE", "UNDOFILE"},
          {{"password", true}, {"dry-run", false}, {"log", true}, {"json", false}}};
}

int UndoCommand::run(const Arguments& args, CommandContext& context) const {
  const std::string& database = args.positional[0];
  const std::string& undoFile = args.positional[1];
  if (!db::fileExists(database)) return fail(context, "no such file: " + database);
  if (!db::fileExists(undoFile)) return fail(context, "no such undo file: " + undoFile);
  const bool json = args.flag("json");
  const bool dryRun = args.flag("dry-run");
  CellPrinter printer(context.out, json, dryRun);
  ProgressBar bar(context.err);
  engine::ApplyContext apply;
  if (context.errIsTerminal) apply.progress = &bar;
  apply.observer = &printer;
  apply.env = context.env;
  apply.clock = context.clock;
  apply.formats = engine::TextFormats::fromEnvironment();
  apply.dryRun = dryRun;
  apply.logPath = args.value("log");
  apply.opener = context.openDatabase;
  engine::ApplyOutcome outcome =
      engine::runUndo(database, args.value("password"), undoFile, apply);
  bar.finish();
  if (outcome.refused) return fail(context, outcome.refused->description);
  if (!outcome.recoveryNotice.empty()) {
    context.err << kProgramName << ": " << oneLine(outcome.recoveryNotice) << '\n';
  }
  if (json) {
    printJsonOutcome(context.out, outcome, dryRun);
  } else {
    for (const std::string& note : outcome.notes) {
      context.out << "Note: " << terminalSafe(oneLine(note)) << '\n';
    }
    for (const std::string& line :
         engine::describeOutcome(outcome, engine::Direction::kBack, dryRun)) {
      context.out << terminalSafe(oneLine(line)) << '\n';
    }
  }
  return outcome.clean() ? kExitOk : kExitFailure;
}

}  // namespace cli
