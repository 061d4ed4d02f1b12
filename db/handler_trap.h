// handler_trap.h: the failure trap of a handler that numbers its steps. A failed step is shown
// as an error report at the number of the step that was running, and the handler goes on with
// its next step; the trap stays armed, so one run of a handler may show several reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/error_report.h"
#include "jet/core/status.h"

namespace db {

// Usage, one trap per run of a handler:
//
//   HandlerTrap trap(reporter, "Form1", "PushButton2_Click");
//   auto names = trap.step(100, [&] { return catalogue.tableNames(path); });  // optional
//   if (trap.test(102, [&] { return !names.has_value(); })) return;
//   trap.step(106, [&] { return fillList(list); });                          // bool
//
// A failure inside a routine that a step calls is that step's failure: the routine returns its
// Error, the rest of it is abandoned, and the report names the calling step.
class HandlerTrap {
 public:
  HandlerTrap(ErrorReporter& reporter, std::string_view window, std::string_view handler);

  // Begins the step numbered `line`; a failure from here on is reported at that number.
  void begin(int line) { line_ = line; }
  int line() const { return line_; }
  const std::string& location() const { return location_; }

  // Failures with these numbers are skipped without a report (the step is still not done).
  void tolerate(std::vector<std::int32_t> numbers) { tolerated_ = std::move(numbers); }

  // True when `status` succeeded; otherwise reports it at the current step and returns false.
  bool check(const jet::Status& status);
  // The value of `result`, or nothing after reporting its failure at the current step.
  template <typename T>
  std::optional<T> take(jet::Result<T> result) {
    if (result.ok()) return std::move(result).value();
    fail(result.error());
    return std::nullopt;
  }
  // Reports `error` at the current step (unless tolerated).
  void fail(const jet::Error& error);

  // Begins step `line` and runs `body`. A body returning Status gives true on success; one
  // returning Result<T> gives the value, or nothing after a failure.
  template <typename Body>
  auto step(int line, Body&& body) {
    begin(line);
    auto outcome = std::forward<Body>(body)();
    if constexpr (std::is_same_v<decltype(outcome), jet::Status>) {
      return check(outcome);
    } else {
      return take(std::move(outcome));
    }
  }

  // Begins step `line`, the test of a condition (returning bool or Result<bool>), and returns its
  // value. A test that fails is reported and counts as true: the handler goes on with the first
  // step inside the guarded block, as after any failed step. Where that block could lose data
  // (overwriting a file after a failed question), run the test with step() and treat nothing
  // as false instead.
  template <typename Test>
  bool test(int line, Test&& condition) {
    begin(line);
    auto outcome = std::forward<Test>(condition)();
    if constexpr (std::is_same_v<decltype(outcome), bool>) {
      return outcome;  // a test that cannot fail
    } else {
      if (outcome.ok()) return outcome.value();
      fail(outcome.error());
      return true;
    }
  }

  int reportsShown() const { return reportsShown_; }
  int failuresTolerated() const { return failuresTolerated_; }

 private:
  bool isTolerated(std::int32_t number) const;

  ErrorReporter& reporter_;
  std::string location_;
  int line_ = 0;
  std::vector<std::int32_t> tolerated_;
  int reportsShown_ = 0;
  int failuresTolerated_ = 0;
};

}  // namespace db
