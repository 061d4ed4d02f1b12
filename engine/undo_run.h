// undo_run.h: taking a run back from its undo file, and, more generally, making a list of recorded
// changes: each cell is changed only while it still holds the value the change expects, through
// the connection's journal like any run, every change's log line first. Changes are streamed from
// their source, so memory stays flat however many there are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "engine/change_log.h"
#include "engine/replacement_run.h"
#include "engine/row_identity.h"
#include "engine/text_formats.h"
#include "engine/undo_file.h"

namespace engine {

// Where recorded changes come from: an undo file, or the changes ticked in a preview.
class ChangeSource {
 public:
  virtual ~ChangeSource() = default;
  // The find/replace pairs the changes' `applied` positions refer to.
  virtual const std::vector<ReplacementSet>& pairs() const = 0;
  // The next change; false at the end.
  virtual jet::Result<bool> next(RecordedChange& change) = 0;
  // How many changes there are, for progress; 0 when not known.
  virtual std::uint64_t total() const { return 0; }
};

// kForward makes the changes (old value -> new value); kBack takes them back (new -> old).
enum class Direction { kForward, kBack };

// What became of one recorded change.
enum class CellFate {
  kMade,           // the cell held the expected value and now holds the other (dry run: would)
  kAlreadyMade,    // the cell already holds what the change would put there
  kChangedSince,   // the cell holds something else: left alone
  kRowGone,        // no row with the change's identity (or no such table or column): left alone
  kFailed,         // the change was refused; see the reason
};

struct CellReport {
  std::string_view table;
  const RowIdentity* row = nullptr;
  std::string_view column;
  std::string_view expected;  // what the cell should hold for the change to be made
  std::string_view wanted;    // what the change puts there
  std::string_view found;     // what the cell holds (kChangedSince)
  CellFate fate = CellFate::kMade;
  const jet::Error* reason = nullptr;  // kRowGone, kFailed
};

// Told of every recorded change as it is handled. Optional.
class CellObserver {
 public:
  virtual ~CellObserver() = default;
  virtual void cell(const CellReport& report) = 0;
};

struct ApplyOutcome {
  // Nothing was done, for this reason (an undo file that cannot be read or belongs to another
  // database, a database that cannot be opened).
  std::optional<jet::Error> refused;
  std::vector<std::string> notes;  // what the user should know before the cells
  bool cancelled = false;
  // Stopped part-way, for this reason (a change log that cannot be written, a database that
  // cannot be written); what was changed before stays.
  std::optional<jet::Error> failure;
  std::string logPath;
  std::string recoveryNotice;  // opening the database undid a change a crash had interrupted
  std::uint64_t changes = 0;   // recorded changes handled
  std::uint64_t made = 0;
  std::uint64_t alreadyMade = 0;
  std::uint64_t changedSince = 0;
  std::uint64_t rowsGone = 0;
  std::uint64_t failed = 0;
  std::uint64_t logLines = 0;
  // True when every change was made or had been made already.
  bool clean() const;
};

struct ApplyContext {
  ProgressSink* progress = nullptr;  // RunProgress::row counts changes, rows is the total
  CellObserver* observer = nullptr;
  UndoFileWriter* undoFile = nullptr;  // kForward only: records the changes made, to undo them
  EnvLookup env = [](const char*) -> const char* { return nullptr; };
  std::function<std::tm()> clock = [] { return std::tm{}; };
  TextFormats formats = {};
  bool dryRun = false;       // change and log nothing; report what would be done
  std::string logPath = {};  // empty: changeLogPath(env)
  db::ReaderOpener opener = {};
};

// Makes (or takes back) the changes of `source` in the database at `databasePath`.
ApplyOutcome applyChanges(ChangeSource& source, Direction direction,
                          const std::string& databasePath, const std::string& password,
                          ApplyContext& context);

// Takes back the run recorded in the undo file at `undoPath`. Refuses an undo file made for
// another database (one at another path, unless the file there is exactly as the run left it).
ApplyOutcome runUndo(const std::string& databasePath, const std::string& password,
                     const std::string& undoPath, ApplyContext& context);

// The outcome in words: a headline, then one line per kind of cell and the change log.
std::vector<std::string> describeOutcome(const ApplyOutcome& outcome, Direction direction,
                                         bool dryRun);

}  // namespace engine
