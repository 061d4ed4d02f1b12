#include "db/handler_trap.h"

#include <gtest/gtest.h>

#include "db/recording_error_reporter.h"
#include "jet/core/error_codes.h"

namespace db {
namespace {

jet::Status failWith(std::string text, std::int32_t number = jet::err::kIo) {
  return jet::Error{number, std::move(text)};
}

TEST(HandlerTrap, ReportsTheFailingStepAndGoesOn) {
  RecordingErrorReporter reporter;
  HandlerTrap trap(reporter, "Form1", "PushButton2_Click");
  std::optional<int> names = trap.step(100, [] {
    return jet::Result<int>(jet::Error{jet::err::kAuthFailed, "Not a valid password."});
  });
  EXPECT_FALSE(names.has_value());
  EXPECT_TRUE(trap.step(102, [] { return jet::Status::success(); }));
  EXPECT_EQ(trap.step(104, [] { return jet::Result<int>(3); }), 3);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].description, "Not a valid password.");
  EXPECT_EQ(reporter.shown[0].location, "Form1.PushButton2_Click");
  EXPECT_EQ(reporter.shown[0].line, 100);
  EXPECT_EQ(reporter.shown[0].number, jet::err::kAuthFailed);
}

TEST(HandlerTrap, EveryFailingStepShowsItsOwnReportInOrder) {
  RecordingErrorReporter reporter;
  HandlerTrap trap(reporter, "Form2", "PushButton4_Click");
  const int lines[] = {99, 100, 102, 104};
  for (int line : lines) (void)trap.step(line, [&] { return failWith(std::to_string(line)); });
  ASSERT_EQ(reporter.shown.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(reporter.shown[i].line, lines[i]);
    EXPECT_EQ(reporter.shown[i].description, std::to_string(lines[i]));
  }
  EXPECT_EQ(trap.reportsShown(), 4);
}

TEST(HandlerTrap, AFailureInACalledRoutineCountsAgainstTheCallingStep) {
  RecordingErrorReporter reporter;
  HandlerTrap trap(reporter, "Form1", "Form_Load");
  int partsDone = 0;
  auto routine = [&]() -> jet::Status {
    ++partsDone;
    JET_TRY(failWith("second part failed"));
    ++partsDone;
    return jet::Status::success();
  };
  trap.begin(104);
  EXPECT_FALSE(trap.check(routine()));
  EXPECT_EQ(partsDone, 1);  // the rest of the routine was abandoned
  // A later failure before another step begins still names the last step begun.
  trap.fail({1, "again"});
  ASSERT_EQ(reporter.shown.size(), 2u);
  EXPECT_EQ(reporter.shown[0].line, 104);
  EXPECT_EQ(reporter.shown[1].line, 104);
}

TEST(HandlerTrap, AFailedTestEntersTheGuardedBlock) {
  RecordingErrorReporter reporter;
  HandlerTrap trap(reporter, "Form1", "Form_Load");
  EXPECT_FALSE(trap.test(132, [] { return false; }));
  EXPECT_TRUE(trap.test(134, [] { return jet::Result<bool>(jet::Error{3, "cannot tell"}); }));
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].line, 134);
}

TEST(HandlerTrap, ToleratedFailuresAreSkippedSilentlyOthersReported) {
  RecordingErrorReporter reporter;
  HandlerTrap trap(reporter, "Form2", "PushButton1_Click");
  trap.tolerate({jet::err::kDataOverflow, jet::err::kSyntaxError, jet::err::kCantConvertValue});
  EXPECT_FALSE(trap.step(140, [] { return failWith("too long", jet::err::kDataOverflow); }));
  EXPECT_FALSE(trap.step(148, [] { return failWith("quote", jet::err::kSyntaxError); }));
  EXPECT_FALSE(trap.step(148, [] { return failWith("type", jet::err::kCantConvertValue); }));
  EXPECT_FALSE(trap.step(138, [] { return failWith("log folder gone"); }));
  EXPECT_EQ(trap.failuresTolerated(), 3);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].line, 138);
}

}  // namespace
}  // namespace db
