#include "db/error_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "db/stream_error_reporter.h"

namespace db {
namespace {

const std::string kRequest =
    "Please email screenshot of this message to " + std::string(kSupportAddress);

TEST(ErrorReport, TextHasTheExactPiecesInOrder) {
  const ErrorReport report{"File not found", locationText("Form1", "PushButton1_Click"), 112, 0};
  EXPECT_EQ(
      errorReportText(report),
      "File not found\r\nin Mendproj2021/08/31.Form1.PushButton1_Click at line 112\r\r" + kRequest);
  // An empty description still gives the first, empty, line.
  EXPECT_EQ(errorReportText({"", locationText("Form2", "PushButton4_Click"), 99, 0}),
            "\r\nin Mendproj2021/08/31.Form2.PushButton4_Click at line 99\r\r" + kRequest);
  // Terminals and labels break only at LF: CR LF and lone CRs become LF.
  EXPECT_EQ(errorReportDisplayText({"x\ry\r\n", "in L ", 7, 0}),
            "x\ny\n\nin L at line 7\n\n" + kRequest);
}

TEST(StreamErrorReporter, PrintsTheFourLinesWithoutControlCharacters) {
  std::ostringstream out;
  StreamErrorReporter reporter(out);
  reporter.report({"Table \x1b[2Jx\tlost", locationText("Form2", "PushButton1_Click"), 118, 0});
  EXPECT_EQ(out.str(),
            "Table ?[2Jx\tlost\nin Mendproj2021/08/31.Form2.PushButton1_Click at line 118\n\n" +
                kRequest + "\n");
  EXPECT_EQ(terminalSafe("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(terminalSafe(std::string("a\0b\x7f"
                                     "c\xC2\x9B"
                                     "1m",
                                     9)),
            "a?b?c?1m");
  EXPECT_EQ(terminalSafe("\xC2"), "\xC2");  // a cut sequence stays as it was
}

}  // namespace
}  // namespace db
