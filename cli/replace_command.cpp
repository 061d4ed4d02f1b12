// replace_command.cpp: turns the command line into the run's inputs, runs it with the command
// line standing in for the window, and prints the outcome.
#include "cli/replace_command.h"

#include <cstdio>
#include <ostream>

#include "cli/progress_bar.h"
#include "cli/quoting.h"
#include "cli/stream_error_reporter.h"
#include "cli/table_choice.h"
#include "cli/undo_command.h"
#include "db/connection_string.h"
#include "db/file_exists.h"
#include "db/table_catalogue.h"
#include "engine/replacement_run.h"
#include "engine/run_summary.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "sets/set_file.h"
#include "sets/set_list.h"

namespace cli {
namespace {

// The window's side of the run, played by the command line.
class QuietWindow : public engine::NoticeBox,
                    public engine::PointerControl,
                    public engine::EventPump {
 public:
  explicit QuietWindow(std::ostream& err) : err_(err) {}
  void showNotice(const std::string& text) override {
    if (text != engine::kDone) err_ << kProgramName << ": replace: " << text << '\n';
  }
  void setPointerMode(engine::PointerMode) override {}
  void processEventsOnce() override {}

 private:
  std::ostream& err_;
};

std::string hex(std::int32_t number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(number));
  return buf;
}

// Prints each change of a dry run, and each skip, as it happens.
class ChangePrinter : public engine::RunObserver {
 public:
  ChangePrinter(std::ostream& out, bool json, bool dryRun)
      : out_(out), json_(json), dryRun_(dryRun) {}
  void changed(const engine::FieldChange& c) override {
    if (!dryRun_) return;
    const engine::RowIdentity& row = rows_.of(c);
    line_.clear();
    if (json_) {
      line_ += "{\"change\":{\"table\":";
      appendJsonString(line_, c.table);
      line_ += rowJsonMember(row);
      line_ += ",\"column\":";
      appendJsonString(line_, c.column);
      line_ += ",\"old\":";
      appendJsonString(line_, c.oldValue);
      line_ += ",\"new\":";
      appendJsonString(line_, c.newValue);
      line_ += "}}\n";
    } else {
      if (c.table != table_ || c.column != column_) {  // the same for a whole run of changes
        table_ = c.table;
        column_ = c.column;
        where_ = terminalSafe(c.table) + "." + terminalSafe(c.column);
      }
      line_ += "would change ";
      line_ += where_;
      line_ += " [";
      line_ += terminalSafe(row.text());
      line_ += "]: ";
      appendJsonString(line_, c.oldValue);
      line_ += " -> ";
      appendJsonString(line_, c.newValue);
      line_ += '\n';
    }
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  }
  void skipped(const engine::SkippedChange&) override {}

 private:
  std::ostream& out_;
  bool json_;
  bool dryRun_;
  RowNames rows_;
  std::string line_;                    // one line, built before it is written
  std::string table_, column_, where_;  // where_: the two names as a terminal shows them
};

void printJson(std::ostream& out, const engine::TableOutcome& t, bool dryRun) {
  out << "{\"table\":" << jsonString(t.table) << ",\"read\":" << (t.opened ? "true" : "false")
      << ",\"rowsRead\":" << t.rowsRead << ",\"valuesChanged\":" << t.valuesChanged
      << ",\"logLines\":" << t.logLines << ",\"changesSkipped\":" << t.changesSkipped
      << ",\"dryRun\":" << (dryRun ? "true" : "false") << ",\"skipped\":[";
  bool first = true;
  for (const auto& [number, skip] : t.skipReasons) {
    out << (first ? "" : ",") << "{\"number\":\"" << hex(number) << "\",\"count\":" << skip.count
        << ",\"reason\":" << jsonString(skip.firstDescription) << "}";
    first = false;
  }
  out << "]}\n";
}

// The window's summary, a line at a time.
void printSummary(std::ostream& out, const engine::RunOutcome& outcome, bool dryRun) {
  const engine::RunSummary summary = engine::summarizeRun(outcome, dryRun);
  out << terminalSafe(oneLine(summary.headline)) << '\n';
  for (const std::string& line : summary.details) out << terminalSafe(oneLine(line)) << '\n';
}

// The tables to work on: those named (each must exist), or every user table.
jet::Result<std::vector<engine::TableListEntry>> chooseTables(const Arguments& args) {
  const std::string& path = args.positional[0];
  JET_ASSIGN_OR_RETURN(
      auto listed, db::listTables(path, db::buildConnectionString(path, args.value("password"))));
  if (!listed) return jet::Error{jet::err::kIo, "no such file: " + path};
  std::vector<engine::TableListEntry> chosen;
  if (args.flag("all-tables")) {
    for (const std::string& name : *listed) chosen.push_back({name, true});
    return chosen;
  }
  for (const std::string& wanted : args.all("table")) {
    const std::string* found = nullptr;
    for (const std::string& name : *listed) {
      if (jet::equalsIgnoringCase(name, wanted)) found = &name;
    }
    if (found == nullptr) {
      return jet::Error{jet::err::kNoSuchTable, "no user table named '" + wanted + "' in " + path};
    }
    chosen.push_back({*found, true});
  }
  return chosen;
}

// What is wrong with the combination of options, or empty.
std::string usageFault(const Arguments& args) {
  if (std::string fault = tableUsageFault(args); !fault.empty()) return fault;
  bool pair = args.values.contains("find") || args.values.contains("replace");
  bool setFile = args.values.contains("sets");
  if (pair == setFile) return "give --find and --replace, or --sets";
  if (pair && !(args.values.contains("find") && args.values.contains("replace"))) {
    return "--find and --replace go together";
  }
  if (!setFile && args.values.contains("separator")) return "--separator goes with --sets";
  if (setFile && args.value("separator", "::").empty()) return "the separator must not be empty";
  if (args.values.contains("undo-file") && args.flag("no-undo")) {
    return "--undo-file and --no-undo do not go together";
  }
  return {};
}

}  // namespace

std::string ReplaceCommand::help() const {
  return "Usage: fieldmend-cli replace (FILE ... | --recursive DIR) [-j N] [--password PASSWORD]\n"
         "         (--table TABLE ... | --all-tables | --column TABLE.COLUMN ...)\n"
         "         (--find TEXT --replace TEXT | --sets FILE [--separator SEP])\n"
         "         [--ignore-case] [--whole-word] [--regex]\n"
         "         [--dry-run] [--log PATH] [--undo-file PATH | --no-undo] [--json]\n"
         "Replaces text in every field of every record of the chosen tables, in place.\n"
         "A field is changed only where the find text occurs in it (letter case counting);\n"
         "with --sets, the sets apply in file order, each to the value the ones before it\n"
         "left. Every change is first written as a line to the change log (backups.log in\n"
         "the folder that TEMP names, else TMPDIR, else /tmp).\n"
         "Prints how the run ended, per table the rows read, values changed and changes\n"
         "skipped, the reasons for skipping, and where the change log went; a progress bar\n"
         "goes to standard error when it is a terminal. A change log that cannot be written\n"
         "stops the run: no change is made without its line.\n"
         "Several files (or --recursive DIR, every .mdb and .accdb below DIR) are worked\n"
         "on one by one as if alone, -j N at a time (default: one per core); a file that\n"
         "fails is reported and the others go on, and a last list names every file.\n"
         "Every change is also recorded in an undo file (beside the change log, readable by\n"
         "you only; its path is printed), from which 'fieldmend-cli undo' takes the run back.\n"
         "For a database with a password or encryption none is written unless --undo-file\n"
         "asks for one, since it holds the changed values in plain text.\n"
         "\n"
         "Options:\n"
         "  --table TABLE        a table to work on (repeat for more)\n"
         "  --all-tables         work on every user table\n"
         "  --column TABLE.COLUMN  only this column of its table (repeat for more); write a\n"
         "                       name holding a dot in brackets: [Table].[Col.umn]\n"
         "  --find TEXT          the text to look for\n"
         "  --replace TEXT       the text to put in its place (may be empty)\n"
         "  --sets FILE          a set file: one find/replace pair a line\n"
         "  --separator SEP      what separates find and replace text in FILE (default ::)\n"
         "  --ignore-case        letter case does not count (full Unicode case folding);\n"
         "                       the replacement goes in as typed\n"
         "  --whole-word         only where the match touches no letter, digit or _\n"
         "  --regex              find texts are PCRE2 patterns; the replacement may name\n"
         "                       groups as $1 or ${name} ($$ is a dollar sign)\n"
         "  --dry-run            print each change it would make; change and log nothing\n"
         "  --log PATH           write the change log to PATH instead\n"
         "  --undo-file PATH     write the undo file to PATH (which must not exist)\n"
         "  --no-undo            write no undo file\n"
         "  --json               print JSON lines instead of text\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n"
         "\n"
         "Exit status: 0 when every change was made, 1 when any was skipped or failed,\n"
         "2 on a usage error.\n";
}

AcceptedArguments ReplaceCommand::acceptedArguments() const {
  return {{"FILE"},
          {{"password", true},
           {"table", true},
           {"all-tables", false},
           {"column", true},
           {"ignore-case", false},
           {"whole-word", false},
           {"regex", false},
           {"find", true},
           {"replace", true},
           {"sets", true},
           {"separator", true},
           {"dry-run", false},
           {"log", true},
           {"undo-file", true},
           {"no-undo", false},
           {"json", false}},
          true};
}

int ReplaceCommand::run(const Arguments& args, CommandContext& context) const {
  if (std::string fault = usageFault(args); !fault.empty()) {
    context.err << kProgramName << ": replace: " << fault << " (try '" << kProgramName
                << " replace --help')\n";
    return kExitUsage;
  }
  const std::string& path = args.positional[0];
  engine::RunInputs inputs;
  inputs.databasePath = path;
  inputs.password = args.value("password");
  if (args.values.contains("sets")) {
    sets::SetList list;
    const std::string setFile = args.value("sets");
    if (!db::fileExists(setFile)) return fail(context, "no such set file: " + setFile);
    sets::Status loaded = sets::loadSetFile(setFile, args.value("separator", "::"), list);
    if (!loaded.ok()) return fail(context, setFile + ": " + loaded.description());
    if (list.empty()) return fail(context, setFile + ": holds no find/replace set");
    for (const sets::ReplacementSet& s : list.all()) inputs.sets.push_back({s.find, s.replace});
    inputs.tabIndex = engine::kMultipleTab;
  } else {
    inputs.findText = args.value("find");
    inputs.replaceText = args.value("replace");
    inputs.tabIndex = engine::kSingleTab;
  }
  inputs.match = {args.flag("ignore-case"), args.flag("whole-word"), args.flag("regex")};
  // A find text the options refuse is reported before the file is read.
  if (auto compiled = engine::compileRunMatching(inputs.findText, inputs.replaceText, inputs.sets,
                                                 inputs.tabIndex == engine::kMultipleTab,
                                                 inputs.match);
      !compiled.ok()) {
    return usageError(context, compiled.error().description);
  }
  auto tables = chooseTables(args);
  if (!tables.ok()) return failWith(context, tables.error(), path);
  inputs.tables = std::move(tables).value();
  if (jet::Status chosen =
          chooseColumns(args, path, context.openDatabase, inputs.tables, inputs.columns);
      !chosen.ok()) {
    return failWith(context, chosen.error(), path);
  }
  inputs.currentIndex = inputs.tables.empty() ? -1 : 0;

  const bool json = args.flag("json");
  const bool dryRun = args.flag("dry-run");
  StreamErrorReporter reporter(context.err);
  QuietWindow window(context.err);
  ProgressBar bar(context.err);
  ChangePrinter printer(context.out, json, dryRun);
  engine::RunContext run{reporter, window, window, window};
  if (context.errIsTerminal) run.progress = &bar;
  run.observer = &printer;
  run.env = context.env;
  run.clock = context.clock;
  run.formats = engine::TextFormats::fromEnvironment();
  run.dryRun = dryRun;
  run.logPath = args.value("log");
  auto undo = planUndoFile(args, inputs,
                           run.logPath.empty() ? engine::changeLogPath(run.env) : run.logPath,
                           context);
  if (!undo.ok()) return fail(context, undo.error().description);
  run.recorder = undo->writer.get();
  engine::RunOutcome outcome = engine::runReplacement(inputs, run);
  bar.finish();
  std::optional<jet::Error> undoFailure;
  if (undo->writer) {
    if (jet::Status finished = undo->writer->finish(); !finished.ok()) {
      undoFailure = finished.error();
    }
  }
  if (json) {
    for (const engine::TableOutcome& t : outcome.tables) printJson(context.out, t, dryRun);
  } else {
    printSummary(context.out, outcome, dryRun);
  }
  if (undo->writer && undo->writer->created()) {
    const std::string& undoPath = undo->writer->path();
    if (json) {
      context.out << "{\"undoFile\":" << jsonString(undoPath) << "}\n";
    } else {
      context.out << "Undo file: " << terminalSafe(undoPath) << " (take the run back with '"
                  << kProgramName << " undo " << terminalSafe(path) << ' '
                  << terminalSafe(undoPath) << "')\n";
    }
  } else if (!undo->note.empty() && outcome.started && !json) {
    context.out << terminalSafe(undo->note) << '\n';
  }
  if (undoFailure) {
    fail(context, undoFailure->description);
    return kExitFailure;
  }
  return outcome.clean() ? kExitOk : kExitFailure;
}

}  // namespace cli
