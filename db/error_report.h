// error_report.h: the error report that every trapped handler shows when one of its steps fails:
// its pieces, its exact text, and the interface through which it is shown (a modal box or a line
// printed by the command line). Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// The caption of the box; the box has one OK button and the warning icon and is modal.
inline constexpr std::string_view kErrorReportCaption = "Application Error";
// Every location begins with the project name and its build date.
inline constexpr std::string_view kProjectName = "Mendproj";
inline constexpr std::string_view kBuildDate = "2021/08/31";
// The support address shown in every report and in the missing-provider question.
inline constexpr std::string_view kSupportAddress = "support@quillmoor.example";

struct ErrorReport {
  std::string description;  // the failing facility's own text, unchanged
  std::string location;     // as locationText() builds it, trailing space included
  int line = 0;             // the number of the step that was running
  std::int32_t number = 0;  // the failure's error number; not part of the text
};

// "in Mendproj2021/08/31." + window + "." + handler + " ", e.g. for ("Form1", "PushButton2_Click").
std::string locationText(std::string_view window, std::string_view handler);

// The exact text of the box: description, CR LF, location, "at line ", the line, CR CR, then the
// request to e-mail a screenshot to the support address.
std::string errorReportText(const ErrorReport& report);

// The same text with each CR LF and each lone CR turned into LF, for displays that break lines
// only at LF (a terminal, a plain-text label): four lines, the third empty.
std::string errorReportDisplayText(const ErrorReport& report);

// Shows a report and returns once the user has acknowledged it. The window layer implements it
// with a modal box, the command line by printing the text, tests with a recorder.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void report(const ErrorReport& report) = 0;
};

}  // namespace db
