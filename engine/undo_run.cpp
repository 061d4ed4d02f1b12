// undo_run.cpp: recorded changes, row by row: find the row by its locator, make sure it is still
// the row the change names (its key), and change each cell that still holds what it should.
#include "engine/undo_run.h"

#include <memory>

#include "db/connection_string.h"
#include "db/error_codes.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"

namespace engine {

bool ApplyOutcome::clean() const {
  return !refused && !cancelled && !failure && changedSince == 0 && rowsGone == 0 && failed == 0;
}

namespace {

bool holdsText(jet::ColumnType type) {
  return type == jet::ColumnType::kText || type == jet::ColumnType::kMemo;
}

std::string count(std::uint64_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// One table's definition as the database holds it, looked up once for a run of its changes.
struct TableInfo {
  std::string name;  // as the changes name it
  std::optional<jet::TableDef> def;
  std::optional<jet::Error> missing;
  std::unique_ptr<RowNamer> namer;
};

class Applier {
 public:
  Applier(ChangeSource& source, Direction direction, db::Connection& connection,
          ApplyContext& context, ApplyOutcome& outcome)
      : source_(source),
        direction_(direction),
        connection_(connection),
        context_(context),
        outcome_(outcome) {}

  void run();

 private:
  // Reads the changes of one row (they follow one another); false at the end or on a failure.
  bool readGroup();
  void handleGroup();
  bool keyMatches(const RowIdentity& now, const RowIdentity& recorded) const;
  void report(const RecordedChange& change, CellFate fate, std::string_view found,
              const jet::Error* reason);
  void allGone(const jet::Error& reason);
  // Log lines, the change's own record, then the cell. False when the run must stop.
  bool make(const RecordedChange& change, std::size_t k, jet::RowLocator where);
  bool logLines(const RecordedChange& change);
  const TableInfo& table(const std::string& name);
  const std::string& expected(const RecordedChange& c) const {
    return direction_ == Direction::kBack ? c.newValue : c.oldValue;
  }
  const std::string& wanted(const RecordedChange& c) const {
    return direction_ == Direction::kBack ? c.oldValue : c.newValue;
  }

  ChangeSource& source_;
  Direction direction_;
  db::Connection& connection_;
  ApplyContext& context_;
  ApplyOutcome& outcome_;
  ChangeLog log_;
  TableInfo table_;
  std::vector<RecordedChange> group_;  // the changes of one row: at most one per column
  std::size_t groupSize_ = 0;
  RecordedChange ahead_;
  bool haveAhead_ = false;
  bool ended_ = false;
  std::vector<std::string> keyColumns_;
};

const TableInfo& Applier::table(const std::string& name) {
  if (table_.name == name && (table_.def || table_.missing)) return table_;
  table_ = TableInfo{};
  table_.name = name;
  auto def = connection_.table(name);
  if (!def.ok()) {
    table_.missing = jet::Error{def.error().number, "there is no table '" + name + "' in " +
                                                        connection_.path() + " any more"};
  } else {
    table_.def = std::move(def).value();
    table_.namer = std::make_unique<RowNamer>(*table_.def);
  }
  return table_;
}

bool Applier::readGroup() {
  groupSize_ = 0;
  if (!haveAhead_ && !ended_) {
    auto more = source_.next(ahead_);
    if (!more.ok()) {
      outcome_.failure = more.error();
      return false;
    }
    haveAhead_ = *more;
    ended_ = !*more;
  }
  while (haveAhead_) {
    if (groupSize_ > 0) {
      const RecordedChange& first = group_[0];
      if (first.table != ahead_.table || !(first.row.locator == ahead_.row.locator)) break;
    }
    if (group_.size() <= groupSize_) group_.emplace_back();
    std::swap(group_[groupSize_++], ahead_);
    auto more = source_.next(ahead_);
    if (!more.ok()) {
      outcome_.failure = more.error();
      return false;
    }
    haveAhead_ = *more;
    ended_ = !*more;
  }
  return groupSize_ > 0;
}

void Applier::report(const RecordedChange& change, CellFate fate, std::string_view found,
                     const jet::Error* reason) {
  ++outcome_.changes;
  switch (fate) {
    case CellFate::kMade: ++outcome_.made; break;
    case CellFate::kAlreadyMade: ++outcome_.alreadyMade; break;
    case CellFate::kChangedSince: ++outcome_.changedSince; break;
    case CellFate::kRowGone: ++outcome_.rowsGone; break;
    case CellFate::kFailed: ++outcome_.failed; break;
  }
  if (context_.observer == nullptr) return;
  context_.observer->cell(CellReport{change.table, &change.row, change.column, expected(change),
                                     wanted(change), found, fate, reason});
}

void Applier::allGone(const jet::Error& reason) {
  for (std::size_t i = 0; i < groupSize_; ++i) report(group_[i], CellFate::kRowGone, {}, &reason);
}

bool Applier::logLines(const RecordedChange& change) {
  const std::vector<ReplacementSet>& pairs = source_.pairs();
  const std::string stamp = context_.formats.dateTime(context_.clock());
  auto line = [&](std::size_t m) -> bool {
    if (m >= pairs.size()) return true;  // sources check their positions; nothing to log
    const ReplacementSet& pair = pairs[m];
    // Taking a change back logs its pairs reversed, the last one first.
    std::string text = direction_ == Direction::kBack
                           ? changeLogLine(stamp, pair.replace, pair.find, change.table,
                                           change.column)
                           : changeLogLine(stamp, pair.find, pair.replace, change.table,
                                           change.column);
    jet::Status written = log_.isOpen() ? jet::Status() : log_.open(outcome_.logPath);
    if (written.ok()) written = log_.append(text);
    if (!written.ok()) {
      outcome_.failure = written.error();
      return false;
    }
    ++outcome_.logLines;
    return true;
  };
  if (direction_ == Direction::kBack) {
    for (auto m = change.applied.rbegin(); m != change.applied.rend(); ++m) {
      if (!line(*m)) return false;
    }
  } else {
    for (std::size_t m : change.applied) {
      if (!line(m)) return false;
    }
  }
  return true;
}

bool Applier::make(const RecordedChange& change, std::size_t k, jet::RowLocator where) {
  if (context_.dryRun) {
    outcome_.logLines += change.applied.size();
    report(change, CellFate::kMade, {}, nullptr);
    return true;
  }
  if (!logLines(change)) return false;
  UndoFileWriter* undo = direction_ == Direction::kForward ? context_.undoFile : nullptr;
  if (undo != nullptr) {
    keyColumns_.clear();
    for (const KeyPart& part : change.row.key) keyColumns_.push_back(part.column);
    if (jet::Status recorded = undo->record(change, keyColumns_); !recorded.ok()) {
      outcome_.failure = recorded.error();
      return false;
    }
  }
  jet::Value v;
  v.isNull = false;
  v.text = wanted(change);
  jet::Status done = connection_.updateRow(*table_.def, where, db::CellChanges{{k, v}});
  if (!done.ok()) {
    if (undo != nullptr) undo->changeNotMade();
    if (outcome_.failure) return false;  // the log could not be made durable before a commit
    report(change, CellFate::kFailed, {}, &done.error());
    return true;
  }
  report(change, CellFate::kMade, {}, nullptr);
  return true;
}

bool Applier::keyMatches(const RowIdentity& now, const RowIdentity& recorded) const {
  if (!now.hasKey() || now.key.size() != recorded.key.size()) return true;
  for (std::size_t i = 0; i < now.key.size(); ++i) {
    if (now.key[i].column != recorded.key[i].column) return true;  // the key was redefined
  }
  for (std::size_t i = 0; i < now.key.size(); ++i) {
    const std::string& value = now.key[i].value;
    const RecordedChange* touching = nullptr;
    for (std::size_t g = 0; g < groupSize_; ++g) {
      if (group_[g].column == now.key[i].column) touching = &group_[g];
    }
    const bool fits = touching != nullptr
                          ? value == expected(*touching) || value == wanted(*touching)
                          : value == recorded.key[i].value;
    if (!fits) return false;
  }
  return true;
}

void Applier::handleGroup() {
  const RecordedChange& last = group_[groupSize_ - 1];
  const TableInfo& info = table(last.table);
  if (info.missing) return allGone(*info.missing);
  const jet::RowLocator where = last.row.locator;
  jet::Result<jet::Row> stored = jet::Error{};
  if (context_.dryRun) {
    stored = connection_.database().readRow(*info.def, where);
  } else {
    if (jet::Status writing = connection_.beginWriting(); !writing.ok()) {
      outcome_.failure = writing.error();
      return;
    }
    stored = connection_.storedRow(*info.def, where);
  }
  if (!stored.ok()) {
    return allGone(jet::Error{stored.error().number,
                              "the row " + last.row.text() + " of table '" + last.table +
                                  "' is not there any more (" + stored.error().description +
                                  ")"});
  }
  // The row at that place must still be the one the changes name: each key cell as the change
  // expects it or as it leaves it (a key cell the changes touch), or as recorded (any other).
  // Without a key (then or now) the locator is the row's name.
  const RowIdentity now = info.namer->name(stored->values, where);
  if (!keyMatches(now, last.row)) {
    return allGone(jet::Error{db::err::kRecordChanged,
                              "the row " + last.row.text() + " of table '" + last.table +
                                  "' is not there any more: the row in its place is " +
                                  now.text()});
  }
  for (std::size_t i = 0; i < groupSize_; ++i) {
    const RecordedChange& change = group_[i];
    const std::vector<jet::Column>& columns = info.def->columns;
    std::size_t k = 0;
    while (k < columns.size() && columns[k].name != change.column) ++k;
    if (k == columns.size()) {
      k = 0;
      while (k < columns.size() && !jet::equalsIgnoringCase(columns[k].name, change.column)) ++k;
    }
    if (k == columns.size()) {
      const jet::Error gone{jet::err::kNoSuchColumn, "table '" + change.table +
                                                         "' has no column '" + change.column +
                                                         "' any more"};
      report(change, CellFate::kRowGone, {}, &gone);
      continue;
    }
    if (!holdsText(columns[k].type)) {
      const jet::Error notText{jet::err::kCantConvertValue,
                               "column '" + change.column + "' of table '" + change.table +
                                   "' no longer holds text"};
      report(change, CellFate::kChangedSince, {}, &notText);
      continue;
    }
    const jet::Value& cell = stored->values[k];
    const std::string current = cell.isNull ? std::string() : cell.text;
    if (!cell.isNull && current == expected(change)) {
      if (!make(change, k, where)) return;
    } else if (!cell.isNull && current == wanted(change)) {
      report(change, CellFate::kAlreadyMade, {}, nullptr);
    } else {
      report(change, CellFate::kChangedSince, cell.isNull ? "(null)" : std::string_view(current),
             nullptr);
    }
  }
}

void Applier::run() {
  const std::uint64_t total = source_.total();
  connection_.setBeforeCommit([this] {
    jet::Status synced = log_.sync();
    if (synced.ok() && context_.undoFile != nullptr) synced = context_.undoFile->sync();
    if (!synced.ok() && !outcome_.failure) outcome_.failure = synced.error();
    return synced;
  });
  while (!outcome_.failure) {
    if (context_.progress != nullptr && context_.progress->cancelRequested()) {
      outcome_.cancelled = true;
      break;
    }
    if (!readGroup()) break;
    if (context_.progress != nullptr) {
      context_.progress->progress(RunProgress{group_[0].table, outcome_.changes, total});
    }
    handleGroup();
  }
  if (outcome_.failure) {
    // Closing would commit what the log or the undo file could not cover: dropped instead.
    connection_.setBeforeCommit([this] { return jet::Status(*outcome_.failure); });
  }
  if (jet::Status closed = connection_.close(); !closed.ok() && !outcome_.failure) {
    outcome_.failure = closed.error();
  }
  // Lines that no commit followed (their cells were left alone) must still reach the log.
  if (jet::Status flushed = log_.flush(); !flushed.ok() && !outcome_.failure) {
    outcome_.failure = flushed.error();
  }
  log_.close();
  if (context_.progress != nullptr) {
    context_.progress->progress(RunProgress{table_.name, outcome_.changes, total});
  }
}

// An undo file read as a source of changes.
class UndoFileSource : public ChangeSource {
 public:
  explicit UndoFileSource(UndoFileReader& reader) : reader_(reader) {}
  const std::vector<ReplacementSet>& pairs() const override { return reader_.header().pairs; }
  jet::Result<bool> next(RecordedChange& change) override { return reader_.next(change); }
  std::uint64_t total() const override {
    return reader_.header().finished ? reader_.header().changes : 0;
  }

 private:
  UndoFileReader& reader_;
};

}  // namespace

ApplyOutcome applyChanges(ChangeSource& source, Direction direction,
                          const std::string& databasePath, const std::string& password,
                          ApplyContext& context) {
  ApplyOutcome outcome;
  outcome.logPath = context.logPath.empty() ? changeLogPath(context.env) : context.logPath;
  auto connection = db::Connection::open(
      db::buildConnectionString(databasePath, password),
      context.dryRun ? db::ConnectionMode::kRead : db::ConnectionMode::kReadWrite,
      context.opener);
  if (!connection.ok()) {
    outcome.refused = connection.error();
    return outcome;
  }
  outcome.recoveryNotice = (*connection)->recoveryNotice();
  Applier(source, direction, **connection, context, outcome).run();
  return outcome;
}

ApplyOutcome runUndo(const std::string& databasePath, const std::string& password,
                     const std::string& undoPath, ApplyContext& context) {
  ApplyOutcome outcome;
  auto reader = UndoFileReader::open(undoPath);
  if (!reader.ok()) {
    outcome.refused = reader.error();
    return outcome;
  }
  const UndoHeader& header = (*reader)->header();
  const std::string given = absolutePath(databasePath);
  auto stamp = fileStamp(databasePath);
  if (!stamp.ok()) {
    outcome.refused = jet::Error{stamp.error().number,
                                 "cannot take back the run of " + undoPath + ": " +
                                     stamp.error().description};
    return outcome;
  }
  const bool asLeft = header.finished && *stamp == header.after;
  if (given != header.databasePath && !asLeft) {
    outcome.refused = jet::Error{
        jet::err::kNotAccessFile,
        "the undo file " + undoPath + " was made for the database " + header.databasePath +
            ", not for " + given + "; nothing was changed"};
    return outcome;
  }
  std::vector<std::string> notes;
  if (given != header.databasePath) {
    notes.push_back("the undo file " + undoPath + " was made for " + header.databasePath +
                    "; " + given + " is taken for it, since its size and modification time are "
                    "those that run left");
  }
  if (!header.finished) {
    notes.push_back("the run that wrote " + undoPath +
                    " did not reach its end; the changes it made are taken back, and the ones "
                    "that never reached the database are counted as already back");
  } else if (!asLeft) {
    notes.push_back(given + " changed after the run (its size or modification time is not what " +
                    undoPath + " recorded); cells changed since are left alone and listed");
  }
  UndoFileSource source(**reader);
  outcome = applyChanges(source, Direction::kBack, databasePath, password, context);
  outcome.notes.insert(outcome.notes.begin(), notes.begin(), notes.end());
  return outcome;
}

std::vector<std::string> describeOutcome(const ApplyOutcome& outcome, Direction direction,
                                         bool dryRun) {
  std::vector<std::string> lines;
  if (outcome.refused) {
    lines.push_back("Nothing was done: " + outcome.refused->description + ".");
    return lines;
  }
  const bool back = direction == Direction::kBack;
  std::string headline;
  if (outcome.failure) {
    headline = "Stopped: " + outcome.failure->description + ". ";
  } else if (outcome.cancelled) {
    headline = "Cancelled. ";
  }
  const std::string made = back ? "put back" : "made";
  if (dryRun) {
    headline += count(outcome.made, "value") + " would be " + made + "; nothing was changed.";
  } else if (outcome.changes == 0) {
    headline += "There was nothing to change.";
  } else {
    headline += count(outcome.made, "value") + (outcome.made == 1 ? " was " : " were ") + made +
                (outcome.made == outcome.changes ? "." : " of " + std::to_string(outcome.changes) +
                                                             " recorded.");
  }
  lines.push_back(headline);
  if (outcome.alreadyMade > 0) {
    lines.push_back(count(outcome.alreadyMade, "value") +
                    (back ? " already held the value from before the run"
                          : " already held the new value"));
  }
  if (outcome.changedSince > 0) {
    lines.push_back(count(outcome.changedSince, "value") +
                    " changed since and " + (outcome.changedSince == 1 ? "was" : "were") +
                    " left alone");
  }
  if (outcome.rowsGone > 0) {
    lines.push_back(count(outcome.rowsGone, "value") + " of rows (or columns) no longer there " +
                    (outcome.rowsGone == 1 ? "was" : "were") + " left alone");
  }
  if (outcome.failed > 0) {
    lines.push_back(count(outcome.failed, "value") + " could not be written");
  }
  if (!dryRun) {
    lines.push_back("Change log: " + outcome.logPath + " (" +
                    (outcome.logLines == 0 ? std::string("nothing added")
                                           : count(outcome.logLines, "line") + " added") +
                    ")");
  }
  return lines;
}

}  // namespace engine
