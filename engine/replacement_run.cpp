// replacement_run.cpp: the run from "Start Replacing" to "Done.": the table list walk, one
// connection per entry, the error trap and the window's pointer and notices.
#include "engine/replacement_run.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/error_codes.h"
#include "db/handler_trap.h"
#include "engine/table_pass.h"
#include "jet/core/error_codes.h"

namespace engine {

bool RunOutcome::clean() const {
  if (!started || cancelled || logFailure || reportsShown != 0) return false;
  for (const TableOutcome& t : tables) {
    if (!t.opened || t.changesSkipped != 0) return false;
  }
  return true;
}

namespace {

// One table list entry, steps 112 to 162. False when the run must stop (Cancel, or a change log
// that cannot be written).
bool visitEntry(const RunInputs& inputs, std::size_t i, PassServices& services,
                RunOutcome& outcome) {
  db::HandlerTrap& trap = services.trap;
  const TableListEntry& entry = inputs.tables[i];
  trap.begin(112);
  auto connection = trap.step(114, [&] {
    return db::Connection::open(
        db::buildConnectionString(inputs.databasePath, inputs.password),
        services.context.dryRun ? db::ConnectionMode::kRead : db::ConnectionMode::kReadWrite);
  });
  // Without a connection nothing of this entry can be done; the failure is reported once, and a
  // selected table is still named in what the run did, as one that could not be read.
  if (!connection) {
    if (entry.selected) {
      outcome.tables.push_back(TableOutcome{});
      outcome.tables.back().table = entry.name;
    }
    return true;
  }
  db::Connection& open = **connection;
  // Opening undid a change that a crash had interrupted: the user must hear of it.
  if (std::string notice = open.recoveryNotice(); !notice.empty()) {
    services.context.notices.showNotice(notice);
  }
  open.setBeforeCommit([&services] {
    jet::Status synced = services.log.sync();
    if (synced.ok() && services.context.recorder != nullptr) {
      synced = services.context.recorder->sync();
    }
    if (!synced.ok() && !services.logFailure) services.logFailure = synced.error();
    return synced;
  });
  bool goOn = true;
  TableOutcome* table = nullptr;
  std::uint64_t uncommitted = 0;  // changes the closing commit is still to make durable
  if (trap.test(116, [&] { return entry.selected; })) {
    outcome.tables.push_back(TableOutcome{});
    table = &outcome.tables.back();
    table->table = entry.name;
    TablePass pass(inputs, services, open, *table);
    goOn = pass.run();
    uncommitted = pass.uncommitted();
  }
  if (services.logFailure) {
    // Already reported; closing drops what the log could not cover.
    (void)open.close();
    return false;
  }
  trap.step(160, [&] { return open.close(); });
  if (services.logFailure && table != nullptr) {
    // The log failed at the closing commit: the changes it was to cover were dropped with it.
    table->valuesChanged -= uncommitted;
  }
  if (jet::Status flushed = services.log.flush(); !flushed.ok() && !services.logFailure) {
    services.logFailure = flushed.error();
    trap.fail(flushed.error());
  }
  trap.begin(162);
  return goOn && !services.logFailure;
}

bool hasCurrentEntry(const RunInputs& inputs) {
  return inputs.currentIndex >= 0 &&
         static_cast<std::size_t>(inputs.currentIndex) < inputs.tables.size();
}

}  // namespace

RunOutcome runReplacement(const RunInputs& inputs, RunContext& context) {
  RunOutcome outcome;
  db::HandlerTrap trap(context.reporter, kRunWindow, kRunHandler);
  trap.tolerate({jet::err::kDataOverflow, jet::err::kSyntaxError, jet::err::kCantConvertValue,
                 db::err::kRecordChanged, jet::err::kRowTooLarge, jet::err::kUniqueViolation});
  trap.begin(100);
  trap.begin(102);
  if (trap.test(106, [&] { return !hasCurrentEntry(inputs); })) {
    trap.begin(174);
    context.notices.showNotice(std::string(kPleaseSelectTable));
    return outcome;
  }
  // A pattern the options refuse stops the run before anything is read.
  auto matching = compileRunMatching(inputs.findText, inputs.replaceText, inputs.sets,
                                     inputs.tabIndex == kMultipleTab, inputs.match);
  if (!matching.ok()) {
    outcome.refused = matching.error();
    context.notices.showNotice(matching.error().description);
    return outcome;
  }
  outcome.started = true;
  trap.begin(108);
  context.pointer.setPointerMode(PointerMode::kBusy);
  outcome.logPath = context.logPath.empty() ? changeLogPath(context.env) : context.logPath;
  ChangeLog log;
  FindPrefilter prefilter(inputs.tabIndex == kMultipleTab ? inputs.sets
                                                          : std::vector<ReplacementSet>{});
  PassServices services{context,         prefilter,           trap, log, outcome.logPath,
                        outcome.logFailure, &matching.value()};
  for (std::size_t i = 0; i < inputs.tables.size(); ++i) {
    trap.begin(110);
    if (!visitEntry(inputs, i, services, outcome)) {
      outcome.cancelled = !outcome.logFailure;
      break;
    }
  }
  log.close();
  trap.begin(164);
  context.pointer.setPointerMode(PointerMode::kDefault);
  trap.begin(166);
  context.events.processEventsOnce();
  outcome.reportsShown = trap.reportsShown();
  outcome.failuresTolerated = trap.failuresTolerated();
  if (context.progress != nullptr) context.progress->finished(outcome);
  if (!outcome.cancelled) {
    trap.begin(172);
    context.notices.showNotice(std::string(kDone));
  }
  return outcome;
}

}  // namespace engine
