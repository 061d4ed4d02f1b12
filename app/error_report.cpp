// error_report.cpp: composes the location and the text of the error report.

#include "app/error_report.h"

namespace app {

std::string locationText(std::string_view handlerLocation) {
  std::string text = "in ";
  text += kProjectName;
  text += kBuildDate;
  text += '.';
  text += handlerLocation;
  text += ' ';
  return text;
}

std::string errorReportText(const db::ErrorReport& report) {
  std::string text = report.description;
  text += "\r\n";
  text += locationText(report.location);
  text += "at line ";
  text += std::to_string(report.line);
  text += "\r\r";
  text += "Please email screenshot of this message to ";
  text += kSupportAddress;
  return text;
}

std::string errorReportDisplayText(const db::ErrorReport& report) {
  const std::string exact = errorReportText(report);
  std::string text;
  text.reserve(exact.size());
  for (std::size_t i = 0; i < exact.size(); ++i) {
    if (exact[i] != '\r') {
      text += exact[i];
    } else if (i + 1 == exact.size() || exact[i + 1] != '\n') {
      text += '\n';  // a lone CR; a CR followed by LF is dropped and the LF kept
    }
  }
  return text;
}

}  // namespace app
