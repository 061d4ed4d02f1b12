// error_report.h: the wording of the error report that every trapped handler shows when one of
// its steps fails: the box's caption, the project name and build date that begin every location,
// the support address, and the exact text of the box. Standard library only, so that the
// command line prints the same text the window shows.
#pragma once

#include <string>
#include <string_view>

#include "db/error_report.h"

namespace app {

// The caption of the box; the box has one OK button and the warning icon and is modal.
inline constexpr std::string_view kErrorReportCaption = "Application Error";
// Every location begins with the project name and its build date.
inline constexpr std::string_view kProjectName = "Mendproj";
inline constexpr std::string_view kBuildDate = "2021/08/31";
// The support address shown in every report and in the missing-provider question.
inline constexpr std::string_view kSupportAddress = "support@quillmoor.example";

// "in Mendproj2021/08/31." + window + "." + handler + " ", e.g. for "Form1.PushButton2_Click".
std::string locationText(std::string_view handlerLocation);

// The exact text of the box: description, CR LF, location text, "at line ", the line, CR CR,
// then the request to e-mail a screenshot to the support address.
std::string errorReportText(const db::ErrorReport& report);

// The same text with each CR LF and each lone CR turned into LF, for displays that break lines
// only at LF (a terminal, a plain-text label): four lines, the third empty.
std::string errorReportDisplayText(const db::ErrorReport& report);

}  // namespace app
