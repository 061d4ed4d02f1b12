// error_report_test.cpp: the exact text of the error report, and its display form.
#include "app/error_report.h"

#include <gtest/gtest.h>

namespace app {
namespace {

const std::string kRequest =
    "Please email screenshot of this message to " + std::string(kSupportAddress);

TEST(ErrorReport, TextHasTheExactPiecesInOrder) {
  const db::ErrorReport report{"File not found", "Form1.PushButton1_Click", 112, 0};
  EXPECT_EQ(
      errorReportText(report),
      "File not found\r\nin Mendproj2021/08/31.Form1.PushButton1_Click at line 112\r\r" + kRequest);
  // An empty description still gives the first, empty, line.
  EXPECT_EQ(errorReportText({"", "Form2.PushButton4_Click", 99, 0}),
            "\r\nin Mendproj2021/08/31.Form2.PushButton4_Click at line 99\r\r" + kRequest);
  // Terminals and labels break only at LF: CR LF and lone CRs become LF.
  EXPECT_EQ(errorReportDisplayText({"x\ry\r\n", "L", 7, 0}),
            "x\ny\n\nin Mendproj2021/08/31.L at line 7\n\n" + kRequest);
}

}  // namespace
}  // namespace app
