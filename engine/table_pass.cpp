// table_pass.cpp: one table of a replacement run, record by record.
#include "engine/table_pass.h"

#include <algorithm>

#include "db/error_codes.h"
#include "db/table_catalogue.h"
#include "jet/core/error_codes.h"

namespace engine {
namespace {

// Failures that belong to one value: the change is skipped and the run goes on silently. A
// unique index refuses only the new value it already holds; the column's other values can go.
bool aboutOneValue(std::int32_t number) {
  return number == jet::err::kDataOverflow || number == jet::err::kSyntaxError ||
         number == jet::err::kCantConvertValue || number == db::err::kRecordChanged ||
         number == jet::err::kRowTooLarge || number == jet::err::kUniqueViolation;
}

bool holdsText(jet::ColumnType type) {
  return type == jet::ColumnType::kText || type == jet::ColumnType::kMemo;
}

}  // namespace

TablePass::TablePass(const RunInputs& inputs, PassServices services, db::Connection& connection,
                     TableOutcome& outcome)
    : inputs_(inputs), services_(services), connection_(connection), outcome_(outcome) {}

bool TablePass::run() {
  db::HandlerTrap& trap = services_.trap;
  auto records = trap.step(
      118, [&] { return connection_.openRecordset(db::selectAllStatement(outcome_.table)); });
  if (!records) return true;
  outcome_.opened = true;
  db::Recordset& rs = **records;
  trap.begin(124);
  rows_ = rs.storedRecordCount();
  chooseFields(rs);
  bool goOn = true;
  if (!trap.test(126, [&] { return rs.eof(); })) {
    trap.begin(128);
    while (!rs.eof()) {
      if (mustStop()) {
        goOn = false;
        break;
      }
      progress(outcome_.rowsRead);
      if (!visitRecord(rs)) break;
    }
  }
  if (services_.logFailure) {
    // The changes since the last commit are dropped with the connection, not kept.
    goOn = false;
    outcome_.valuesChanged -= uncommitted_;
    uncommitted_ = 0;
  }
  progress(outcome_.rowsRead);
  trap.begin(158);
  records->reset();
  return goOn;
}

bool TablePass::visitRecord(db::Recordset& records) {
  ++outcome_.rowsRead;
  for (std::size_t k = 0; k < records.fieldCount() && !services_.logFailure; ++k) {
    visitField(records, k);
  }
  if (services_.logFailure) return false;
  // A scan that cannot move on cannot be resumed: the rest of the table is left unread.
  return services_.trap.step(154, [&] { return records.moveNext(); });
}

void TablePass::chooseFields(const db::Recordset& records) {
  const TextFormats& formats = services_.context.formats;
  const MatchOptions& match = inputs_.match;
  // Patterns and case folding can match text that holds none of the find text's characters.
  const bool literal = !match.ignoreCase && !match.regex;
  fields_.assign(records.fieldCount(), FieldUse::kSkip);
  for (std::size_t k = 0; k < records.fieldCount(); ++k) {
    if (!inputs_.columns.chosen(outcome_.table, records.fieldName(k))) continue;
    const jet::ColumnType type = records.field(k).type;
    if (holdsText(type)) {
      fields_[k] = FieldUse::kText;
      continue;
    }
    bool may = !literal;
    if (inputs_.tabIndex == kMultipleTab) {
      for (const ReplacementSet& set : inputs_.sets) may = may || formats.mayHold(type, set.find);
    } else {
      may = may || formats.mayHold(type, inputs_.findText);
    }
    if (may) fields_[k] = FieldUse::kAsText;
  }
}

void TablePass::visitField(db::Recordset& records, std::size_t k) {
  const FieldUse use = fields_[k];
  if (use == FieldUse::kSkip) return;
  services_.trap.begin(130);
  services_.trap.begin(132);
  // A text cell is matched where it lies; other values get a text of their own, and only in
  // columns whose texts could hold a find text at all.
  static const std::string kNoText;
  std::string made;
  const jet::Value& cell = records.value(k);
  if (use == FieldUse::kAsText) {
    made = services_.context.formats.valueText(records.field(k).type, cell);
  }
  const std::string& value = use == FieldUse::kText ? (cell.isNull ? kNoText : cell.text) : made;
  if (inputs_.tabIndex == kSingleTab) {
    services_.trap.begin(134);
    single(records, k, value);
  } else if (inputs_.tabIndex == kMultipleTab) {
    services_.trap.begin(142);
    multiple(records, k, value);
  }
  services_.trap.begin(152);
}

void TablePass::single(db::Recordset& records, std::size_t k, const std::string& value) {
  services_.trap.begin(136);
  ValueMatch match = services_.matching->single->apply(value);
  if (match.limit) return skip(records, k, value, *match.limit);
  if (!match.matched) return;
  std::string newValue = std::move(match.value);
  if (!accepted(records, k, value, newValue, nullptr)) return;
  if (!logLine(138, inputs_.findText, inputs_.replaceText, records.fieldName(k))) return;
  write(140, records, k, value, newValue, nullptr);
}

void TablePass::multiple(db::Recordset& records, std::size_t k, const std::string& value) {
  services_.trap.begin(144);
  // No set applies when none of their find texts occurs in the value as read.
  const SetMatchers& sets = services_.matching->sets;
  if (sets.prefilterApplies() && !services_.prefilter.anyOccurs(value)) return;
  SetsMatch matched = sets.apply(value);
  if (matched.limit) return skip(records, k, value, *matched.limit);
  SetsOutcome outcome = std::move(matched.outcome);
  if (outcome.applied.empty()) return;
  if (!accepted(records, k, value, outcome.value, &outcome.applied)) return;
  for (std::size_t m : outcome.applied) {
    const ReplacementSet& set = inputs_.sets[m];
    if (!logLine(146, set.find, set.replace, records.fieldName(k))) return;
  }
  write(148, records, k, value, outcome.value, &outcome.applied);
}

bool TablePass::logLine(int line, std::string_view find, std::string_view replace,
                        const std::string& column) {
  if (services_.context.dryRun) {
    ++outcome_.logLines;
    return true;
  }
  RunContext& cx = services_.context;
  std::string text = changeLogLine(timestamp(cx.clock()), find, replace, outcome_.table, column);
  services_.trap.begin(line);
  jet::Status written =
      services_.log.isOpen() ? jet::Status() : services_.log.open(services_.logPath);
  if (written.ok()) written = services_.log.append(text);
  if (!written.ok()) {
    services_.logFailure = written.error();
    services_.trap.fail(written.error());
    return false;
  }
  ++outcome_.logLines;
  return true;
}

void TablePass::write(int line, db::Recordset& records, std::size_t k, const std::string& readValue,
                      const std::string& newValue, const std::vector<std::size_t>* applied) {
  db::HandlerTrap& trap = services_.trap;
  trap.begin(line);
  // `readValue` may be the record's own cell, which the update replaces.
  const std::string oldValue = readValue;
  FieldChange change{outcome_.table, records.fieldName(k), oldValue, newValue, applied,
                     &records, k};
  if (newValue == oldValue) return;  // an empty find text: nothing to write
  if (services_.context.dryRun) {
    if (!holdsText(records.field(k).type)) {
      return skip(records, k, oldValue,
                  jet::Error{jet::err::kCantConvertValue,
                             "column '" + records.fieldName(k) + "' does not hold text"});
    }
  } else {
    if (unwritable_) return skip(records, k, oldValue, *unwritable_);
    if (auto refused = columnRefusals_.find(k); refused != columnRefusals_.end()) {
      return skip(records, k, oldValue, refused->second);
    }
    if (!record(change)) return;
    jet::Status done = records.updateText(k, newValue);
    if (!done.ok() && services_.context.recorder != nullptr) {
      services_.context.recorder->changeNotMade();
    }
    if (!done.ok() && services_.logFailure) {  // the log could not be made durable first
      trap.fail(done.error());
      return;
    }
    if (!done.ok()) {
      if (!aboutOneValue(done.number())) {
        trap.fail(done.error());
        if (!connection_.writing()) {
          unwritable_ = done.error();
        } else {
          columnRefusals_.emplace(k, done.error());
        }
      } else {
        trap.fail(done.error());  // tolerated: counted, not shown
      }
      return skip(records, k, oldValue, done.error());
    }
  }
  ++outcome_.valuesChanged;
  if (!services_.context.dryRun) {
    if (connection_.commits() != commitsSeen_) {  // this change went out with that commit
      commitsSeen_ = connection_.commits();
      uncommitted_ = 0;
    } else {
      ++uncommitted_;
    }
  }
  if (services_.context.observer) services_.context.observer->changed(change);
}

void TablePass::skip(const db::Recordset& records, std::size_t k, const std::string& oldValue,
                     const jet::Error& reason) {
  ++outcome_.changesSkipped;
  SkipCount& count = outcome_.skipReasons[reason.number];
  if (count.count++ == 0) {
    count.firstDescription = reason.description;
    count.firstColumn = records.fieldName(k);
  }
  if (services_.context.observer) {
    services_.context.observer->skipped(
        SkippedChange{outcome_.table, records.fieldName(k), oldValue, &reason});
  }
}

bool TablePass::accepted(const db::Recordset& records, std::size_t k, const std::string& oldValue,
                         const std::string& newValue, const std::vector<std::size_t>* applied) {
  if (!services_.context.accept) return true;
  return services_.context.accept(FieldChange{outcome_.table, records.fieldName(k), oldValue,
                                              newValue, applied, &records, k});
}

bool TablePass::record(const FieldChange& change) {
  if (services_.context.recorder == nullptr) return true;
  jet::Status recorded = services_.context.recorder->recordChange(change);
  if (recorded.ok()) return true;
  services_.logFailure = recorded.error();
  services_.trap.fail(recorded.error());
  return false;
}

const std::string& TablePass::timestamp(const std::tm& now) {
  const bool same = stamp_ && now.tm_sec == stampTime_.tm_sec && now.tm_min == stampTime_.tm_min &&
                    now.tm_hour == stampTime_.tm_hour && now.tm_mday == stampTime_.tm_mday &&
                    now.tm_mon == stampTime_.tm_mon && now.tm_year == stampTime_.tm_year;
  if (!same) {
    stamp_ = services_.context.formats.dateTime(now);
    stampTime_ = now;
  }
  return *stamp_;
}

bool TablePass::mustStop() {
  if (services_.logFailure) return true;
  return services_.context.progress != nullptr && services_.context.progress->cancelRequested();
}

void TablePass::progress(std::uint64_t row) {
  if (services_.context.progress == nullptr) return;
  rows_ = std::max(rows_, row);
  services_.context.progress->progress(RunProgress{outcome_.table, row, rows_});
}

}  // namespace engine
