// stream_error_reporter_test.cpp: the command line prints the report's four lines, with no
// control character that could steer the terminal.
#include "cli/stream_error_reporter.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/error_report.h"

namespace cli {
namespace {

TEST(StreamErrorReporter, PrintsTheFourLinesWithoutControlCharacters) {
  std::ostringstream out;
  StreamErrorReporter reporter(out);
  reporter.report({"Table \x1b[2Jx\tlost", "Form2.PushButton1_Click", 118, 0});
  EXPECT_EQ(out.str(),
            "Table ?[2Jx\tlost\nin Mendproj2021/08/31.Form2.PushButton1_Click at line 118\n\n"
            "Please email screenshot of this message to " +
                std::string(app::kSupportAddress) + "\n");
  EXPECT_EQ(terminalSafe("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(terminalSafe(std::string("a\0b\x7f"
                                     "c\xC2\x9B"
                                     "1m",
                                     9)),
            "a?b?c?1m");
  EXPECT_EQ(terminalSafe("\xC2"), "\xC2");  // a cut sequence stays as it was
}

}  // namespace
}  // namespace cli
