// recording_error_reporter.h: an ErrorReporter for tests: keeps every report it was asked to
// show, in order, and acknowledges each at once. Not part of the library.
#pragma once

#include <vector>

#include "db/error_report.h"

namespace db {

class RecordingErrorReporter : public ErrorReporter {
 public:
  std::vector<ErrorReport> shown;

  void report(const ErrorReport& report) override { shown.push_back(report); }
};

}  // namespace db
