// error_report.h: what a trapped handler reports when one of its steps fails, and the interface
// through which the report is shown (a modal box, a line printed by the command line, a recorder
// in tests). How the report reads (its caption, the project name, the support address) is the
// application shell's: app/error_report.h. Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

struct ErrorReport {
  std::string description;  // the failing facility's own text, unchanged
  std::string location;     // the window and the handler, e.g. "Form1.PushButton2_Click"
  int line = 0;             // the number of the step that was running
  std::int32_t number = 0;  // the failure's error number; not part of the text
};

// window + "." + handler.
inline std::string handlerLocation(std::string_view window, std::string_view handler) {
  std::string text(window);
  text += '.';
  text += handler;
  return text;
}

// Shows a report and returns once the user has acknowledged it. The window layer implements it
// with a modal box, the command line by printing the text, tests with a recorder.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void report(const ErrorReport& report) = 0;
};

}  // namespace db
