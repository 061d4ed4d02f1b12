// run_summary.cpp: the summary's sentences and the words for each reason a change is skipped.
#include "engine/run_summary.h"

#include "db/error_codes.h"
#include "jet/core/error_codes.h"

namespace engine {
namespace {

// "1 value", "2 values"; `plural` given where adding an "s" is wrong.
std::string count(std::uint64_t n, const std::string& one, const std::string& plural = {}) {
  return std::to_string(n) + " " + (n == 1 ? one : plural.empty() ? one + "s" : plural);
}

struct Totals {
  std::uint64_t changed = 0;
  std::uint64_t skipped = 0;
  std::uint64_t logLines = 0;
};

Totals totalsOf(const RunOutcome& outcome) {
  Totals t;
  for (const TableOutcome& table : outcome.tables) {
    t.changed += table.valuesChanged;
    t.skipped += table.changesSkipped;
    t.logLines += table.logLines;
  }
  return t;
}

// One reason over the whole run: how often, and where it first struck (tables in list order).
struct ReasonTotal {
  std::int32_t number = 0;
  std::string words;
  std::uint64_t count = 0;
  std::string firstAt;
};

std::vector<ReasonTotal> reasonsOf(const RunOutcome& outcome) {
  std::vector<ReasonTotal> reasons;
  for (const TableOutcome& table : outcome.tables) {
    for (const auto& [number, skip] : table.skipReasons) {
      auto it = reasons.begin();
      while (it != reasons.end() && it->number != number) ++it;
      if (it == reasons.end()) {
        reasons.push_back({number, skipReasonInWords(number, skip.firstDescription), 0,
                           table.table + "." + skip.firstColumn});
        it = reasons.end() - 1;
      }
      it->count += skip.count;
    }
  }
  return reasons;
}

std::string headline(const RunOutcome& outcome, const Totals& t, bool dryRun) {
  if (!outcome.started) return "Nothing was done: no table was chosen.";
  if (dryRun) {
    return "Dry run: " + count(t.changed, "value") + " would change, " +
           count(t.skipped, "change") + " would be skipped; nothing was changed or logged.";
  }
  if (outcome.logFailure) {
    std::string stopped = "Stopped: " + outcome.logFailure->description +
                          ". No change is made without its log line, so nothing ";
    if (t.changed == 0) return stopped + "was changed.";
    return stopped + "further was changed; " +
           (t.changed == 1 ? std::string("the value changed before stays.")
                           : "the " + count(t.changed, "value") + " changed before stay.");
  }
  if (outcome.cancelled) {
    if (t.changed == 0) return "Cancelled: no value was changed before the run stopped.";
    return "Cancelled: " + count(t.changed, "value") + (t.changed == 1 ? " was" : " were") +
           " changed before the run stopped, and those changes stay.";
  }
  std::string done = "Done: " + (t.changed == 0 ? std::string("no value was changed")
                                                : count(t.changed, "value") + " changed");
  if (t.skipped != 0) done += ", " + count(t.skipped, "change") + " skipped";
  return done + ".";
}

std::string tableLine(const TableOutcome& t, bool dryRun) {
  return t.table + ": " + (t.opened ? "" : "could not be read; ") + count(t.rowsRead, "row") +
         " read, " + count(t.valuesChanged, "value") + (dryRun ? " would change, " : " changed, ") +
         count(t.changesSkipped, "change") + " skipped";
}

}  // namespace

std::string skipReasonInWords(std::int32_t number, const std::string& description) {
  switch (number) {
    case jet::err::kDataOverflow:
      return "too long for the column";
    case jet::err::kCantConvertValue:
      return "not a text column";
    case jet::err::kSyntaxError:
      return "not a statement the database accepts";
    case jet::err::kRowTooLarge:
      return "the record would grow past the largest size a record can have";
    case jet::err::kUniqueViolation:
      return "refused by a unique index";
    case jet::err::kRelationship:
      return "refused by a relationship";
    case jet::err::kNotWritable:
      return "a column that cannot be changed";
    case jet::err::kReadOnly:
    case jet::err::kIo:
      return "the database file cannot be written";
    case jet::err::kLocked:
      return "another program has the database open";
    case jet::err::kJournal:
      return "the rollback journal cannot be written";
    case db::err::kRecordChanged:
      return "the record changed after it was read";
    case err::kMatchLimit:
      return "the pattern gave up on the value (the per-value matching limit)";
    default:
      return description;
  }
}

RunSummary summarizeRun(const RunOutcome& outcome, bool dryRun) {
  const Totals totals = totalsOf(outcome);
  RunSummary summary;
  summary.headline = headline(outcome, totals, dryRun);
  for (const TableOutcome& t : outcome.tables) summary.details.push_back(tableLine(t, dryRun));
  for (const ReasonTotal& r : reasonsOf(outcome)) {
    summary.details.push_back(std::to_string(r.count) + " skipped: " + r.words + " (first in " +
                              r.firstAt + ")");
  }
  const int reports = outcome.reportsShown - (outcome.logFailure ? 1 : 0);
  if (reports > 0) {
    summary.details.push_back(
        count(static_cast<std::uint64_t>(reports), outcome.logFailure ? "other error" : "error") +
        (reports == 1 ? " was" : " were") + " reported during the run");
  }
  if (!dryRun && outcome.started) {
    summary.details.push_back("Change log: " + outcome.logPath + " (" +
                              (totals.logLines == 0 ? std::string("nothing added")
                                                    : count(totals.logLines, "line") + " added") +
                              ")");
  }
  return summary;
}

std::string summaryText(const RunSummary& summary) {
  std::string text = summary.headline + "\n";
  for (const std::string& line : summary.details) text += line + "\n";
  return text;
}

}  // namespace engine
