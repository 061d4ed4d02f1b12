// stream_error_reporter.cpp: prints error reports for the command line.

#include "cli/stream_error_reporter.h"

#include "app/error_report.h"

namespace cli {

void StreamErrorReporter::report(const db::ErrorReport& report) {
  out_ << terminalSafe(app::errorReportDisplayText(report)) << '\n';
  out_.flush();
}

std::string terminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto code = static_cast<unsigned char>(text[i]);
    const bool c0 = (code < 0x20 && code != '\n' && code != '\t') || code == 0x7F;
    // U+0080..U+009F in UTF-8 (C2 80..C2 9F): some terminals obey them as controls too.
    const bool c1 = code == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c1) ++i;
    safe += (c0 || c1) ? '?' : text[i];
  }
  return safe;
}

}  // namespace cli
