// replacement_run.h: one replacement run ("Start Replacing"): its inputs as the main window holds
// them, the small interfaces through which it talks to the window, and what it reports back.
// The run itself opens the database through the db layer; it knows nothing of Qt.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/error_report.h"
#include "engine/change_log.h"
#include "engine/column_choice.h"
#include "engine/matcher.h"
#include "engine/replacement.h"
#include "engine/text_formats.h"
#include "jet/core/status.h"

namespace db {
class Recordset;
}

namespace engine {

// One entry of the table list: its text (the table name) and its selected flag.
struct TableListEntry {
  std::string name;
  bool selected = false;
};

// The tab indexes of the main window's tab control; any other index does nothing per field.
inline constexpr int kSingleTab = 0;
inline constexpr int kMultipleTab = 1;

// What the run reads from the windows, as they stand when "Start Replacing" is pressed.
struct RunInputs {
  std::string databasePath;            // the database window's path box
  std::string password;                // its password box; never printed or logged
  std::vector<TableListEntry> tables;  // the table list, in the order its entries stand
  int currentIndex = -1;               // the table list's current index (-1: none)
  int tabIndex = kSingleTab;           // the tab control's selected index
  std::string findText;                // single mode: find box
  std::string replaceText;             // single mode: replace box
  std::vector<ReplacementSet> sets;    // multiple mode: the set list, in list order
  MatchOptions match;                  // how find texts match (default: literally, case counting)
  ColumnChoice columns;                // the columns visited (default: every one)
};

// The window's pointer modes, with the numbers the windows use.
enum class PointerMode { kDefault = 0, kBusy = 11 };

// Modal notices with an OK button and no icon, captioned with the application title
// ("Please select a table", "Done.").
class NoticeBox {
 public:
  virtual ~NoticeBox() = default;
  virtual void showNotice(const std::string& text) = 0;
};

// The main window's pointer.
class PointerControl {
 public:
  virtual ~PointerControl() = default;
  virtual void setPointerMode(PointerMode mode) = 0;
};

// Lets pending window events run once (the run does this once, at its end).
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void processEventsOnce() = 0;
};

// Where the run stands: called before each row of a selected table is processed, and once more
// with row == rows when the table is done. `rows` is the table's record count.
struct RunProgress {
  std::string_view table;
  std::uint64_t row = 0;
  std::uint64_t rows = 0;
};

struct RunOutcome;

// Progress and the user's request to stop. cancelRequested() is asked between rows; when it
// answers true the run stops there: the changes so far stay and are committed, the log lines
// written stay, and the run ends as usual (pointer back to default, events once) but shows no
// "Done.". finished() hands over what the run did, before "Done." is shown.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void progress(const RunProgress& where) = 0;
  virtual bool cancelRequested() = 0;
  virtual void finished(const RunOutcome& /*outcome*/) {}
};

// One change the run makes (or, in a dry run, would make): the field's old and new value text.
// In multiple mode `applied` lists the sets (positions in RunInputs::sets) that occurred.
struct FieldChange {
  std::string_view table;
  std::string_view column;
  std::string_view oldValue;
  std::string_view newValue;
  const std::vector<std::size_t>* applied = nullptr;  // multiple mode only
  // The record and the field changed (the record as read; a dry run changes nothing), for
  // naming the row. Null where the change comes from no recordset.
  const db::Recordset* record = nullptr;
  std::size_t field = 0;
};

// A change that was not made, and why (the tolerated provider errors, or a record that changed
// since it was read).
struct SkippedChange {
  std::string_view table;
  std::string_view column;
  std::string_view oldValue;
  const jet::Error* reason = nullptr;
};

// Told of every change and skip as it happens (the command line prints them). Optional.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void changed(const FieldChange& change) = 0;
  virtual void skipped(const SkippedChange& skip) = 0;
};

// Keeps what is needed to take a run back (the undo file). Told of each change just before it is
// made, and asked to make what it holds durable before each commit, with the change log, so
// that no change reaches the file without its record. Optional.
class ChangeRecorder {
 public:
  virtual ~ChangeRecorder() = default;
  // A failure stops the run there, as a change log that cannot be written does.
  virtual jet::Status recordChange(const FieldChange& change) = 0;
  // The change last recorded was not made after all (skipped).
  virtual void changeNotMade() = 0;
  virtual jet::Status sync() = 0;
};

// Counts per table; memory stays flat however many rows the table has.
struct SkipCount {
  std::uint64_t count = 0;
  std::string firstDescription;  // the description of the first skip with this number
  std::string firstColumn;       // the column it hit first
};

struct TableOutcome {
  std::string table;
  bool opened = false;  // the table could be read
  std::uint64_t rowsRead = 0;
  std::uint64_t valuesChanged = 0;  // fields written (dry run: that would be written)
  std::uint64_t logLines = 0;       // change-log lines written (dry run: that would be)
  std::uint64_t changesSkipped = 0;
  std::map<std::int32_t, SkipCount> skipReasons;  // by error number
};

struct RunOutcome {
  bool started = false;  // false: "Please select a table" was shown
  bool cancelled = false;
  // The change log could not be opened or written: reported once, and the run stopped there,
  // since no change is made without its line.
  std::optional<jet::Error> logFailure;
  std::string logPath;               // the change log's file
  std::vector<TableOutcome> tables;  // one per selected entry visited, in list order
  int reportsShown = 0;              // error reports shown (failures not tolerated)
  int failuresTolerated = 0;
  // A find text the match options refuse (a bad pattern): the run did not start.
  std::optional<jet::Error> refused;
  // True when every selected table was read and every change wanted was made.
  bool clean() const;
};

// Everything the run takes from its surroundings. The references must outlive the run.
struct RunContext {
  db::ErrorReporter& reporter;
  NoticeBox& notices;
  PointerControl& pointer;
  EventPump& events;
  ProgressSink* progress = nullptr;  // optional
  RunObserver* observer = nullptr;   // optional
  ChangeRecorder* recorder = nullptr;  // optional; not used by a dry run
  // Asked before each change is logged and made; false leaves that field as it is, unlogged and
  // uncounted (a preview's unticked changes). Empty: every change is made.
  std::function<bool(const FieldChange&)> accept = {};
  // The environment (TEMP, TMPDIR): the log's folder comes from it. Pass the real one
  // (std::getenv); the default sees nothing set, so the log would go to /tmp.
  EnvLookup env = [](const char*) -> const char* { return nullptr; };
  // Local date and time for the log's timestamps. Pass the real clock (localtime_r of now).
  std::function<std::tm()> clock = [] { return std::tm{}; };
  TextFormats formats = {};  // regional text: pass TextFormats::fromEnvironment()
  bool dryRun = false;       // change nothing: no database writes, no log lines
  std::string logPath = {};  // empty: changeLogPath(env)
};

// The location every error report of a run names.
inline constexpr std::string_view kRunWindow = "Form2";
inline constexpr std::string_view kRunHandler = "PushButton1_Click";
inline constexpr std::string_view kPleaseSelectTable = "Please select a table";
inline constexpr std::string_view kDone = "Done.";

// Runs the replacement over the selected tables of `inputs`, start to end. Each table list entry
// opens its own connection. Only the record being visited is changed, and only while it still
// holds the value read; multiple mode applies the sets one after the other to each value and
// writes each field once. Every change's log line is written (and synced) before the change can
// reach the file. Failures other than the tolerated ones are reported through context.reporter
// with the run's step numbers, and the run goes on; a change log that cannot be written ends it.
RunOutcome runReplacement(const RunInputs& inputs, RunContext& context);

}  // namespace engine
