// stream_error_reporter.h: the command line's error report: the report's text printed to a
// stream (standard error), with line ends a terminal understands and no control characters.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "db/error_report.h"

namespace cli {

class StreamErrorReporter : public db::ErrorReporter {
 public:
  explicit StreamErrorReporter(std::ostream& out) : out_(out) {}

  // Writes the report's display text and a line end, then flushes.
  void report(const db::ErrorReport& report) override;

 private:
  std::ostream& out_;
};

// `text` with every control character but LF and TAB (C0, DEL, C1) shown as '?', so that text
// taken from a file (a table or column name, a provider's message) cannot steer the terminal.
std::string terminalSafe(std::string_view text);

}  // namespace cli
