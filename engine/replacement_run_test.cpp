// replacement_run_test.cpp: the replacement run on new databases in a scratch folder: the worked
// example, the changes that must touch only the visited record, multiple mode, refusals, the
// change log, the window's side and the error reports.
#include "engine/replacement_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "db/error_codes.h"
#include "db/recording_error_reporter.h"
#include "engine/run_summary.h"
#include "engine/run_test_support.h"
#include "jet/core/error_codes.h"

namespace engine {
namespace {

using namespace engine::testing;
using Cells = std::vector<std::optional<std::string>>;

const std::string kLogTime = "[2026-12-08 14:05:09] - ";

class Run : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string db = folder.file("shop.mdb");
  std::string log = folder.file("backups.log");
  FakeWindow window;
  db::RecordingErrorReporter reports;

  void make(const std::vector<NewTable>& tables) { ASSERT_EQ(createDatabase(db, tables), ""); }
  void makeCities(const std::vector<std::string>& cities) {
    NewTable t{"Customers", {{"City", jet::ColumnType::kText, 20}}, {}};
    for (const auto& c : cities) t.rows.push_back({text(c)});
    make({t});
  }
  RunInputs single(std::string find, std::string replace,
                   std::vector<std::string> tables = {"Customers"}) {
    RunInputs in;
    in.databasePath = db;
    for (auto& t : tables) in.tables.push_back({t, true});
    in.currentIndex = 0;
    in.tabIndex = kSingleTab;
    in.findText = std::move(find);
    in.replaceText = std::move(replace);
    return in;
  }
  RunInputs multiple(std::vector<ReplacementSet> sets) {
    RunInputs in = single("", "");
    in.tabIndex = kMultipleTab;
    in.sets = std::move(sets);
    return in;
  }
  RunOutcome run(const RunInputs& in, bool dryRun = false) {
    RunContext cx{reports, window, window, window};
    cx.progress = &window;
    cx.env = [this](const char* name) -> const char* {
      return std::string(name) == "TEMP" ? folder.path().c_str() : nullptr;
    };
    cx.clock = fixedClock;
    cx.dryRun = dryRun;
    return runReplacement(in, cx);
  }
  Cells cities() { return readColumn(db, "Customers", "City"); }
};

TEST_F(Run, WorkedExampleChangesEachMatchingRecordAndLogsEachMatch) {
  makeCities({"Paris", "Parish", "Lyon", "Paris"});
  RunOutcome out = run(single("Par", "Ber"));
  EXPECT_EQ(cities(), (Cells{"Beris", "Berish", "Lyon", "Beris"}));
  std::string line = kLogTime + "Par was replace to Ber at table (Customers) and column (City)";
  EXPECT_EQ(fileLines(log), (std::vector<std::string>{line, line, line}));
  ASSERT_EQ(out.tables.size(), 1u);
  EXPECT_EQ(out.tables[0].rowsRead, 4u);
  EXPECT_EQ(out.tables[0].valuesChanged, 3u);
  EXPECT_TRUE(out.clean());
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Done."}));
  EXPECT_EQ(window.pointer, (std::vector<PointerMode>{PointerMode::kBusy, PointerMode::kDefault}));
  EXPECT_EQ(window.eventsPumped, 1);
  EXPECT_TRUE(reports.shown.empty());
}

// An update "where City = 'Paris'" would also catch PARIS, which the engine's comparison finds
// equal; only the visited record holding the text that matched may change.
TEST_F(Run, ValuesEqualOnlyWithoutLetterCaseAreLeftAlone) {
  makeCities({"Paris", "PARIS", "paris"});
  run(single("Par", "Ber"));
  EXPECT_EQ(cities(), (Cells{"Beris", "PARIS", "paris"}));
  EXPECT_EQ(fileLines(log).size(), 1u);
}

// "a" -> "aa" must not turn a record that held "aa" from the start into "aaaa" twice over, nor
// change a value a second time once it equals a later record's old value.
TEST_F(Run, AChangedValueIsNotChangedAgainByALaterRecord) {
  makeCities({"a", "aa", "a"});
  run(single("a", "aa"));
  EXPECT_EQ(cities(), (Cells{"aa", "aaaa", "aa"}));
}

TEST_F(Run, QuotesBracketsAndGraveAccentsInValuesAndNames) {
  make({NewTable{"O'Brien's \"list\"",
                 {{"Who's name", jet::ColumnType::kText, 40}},
                 {{text("it's [x] `y`")}, {text("plain x")}, {text("x'")}}}});
  RunOutcome out = run(single("x", "'q]`", {"O'Brien's \"list\""}));
  EXPECT_EQ(readColumn(db, "O'Brien's \"list\"", "Who's name"),
            (Cells{"it's ['q]`] `y`", "plain 'q]`", "'q]`'"}));
  EXPECT_TRUE(out.clean());
  EXPECT_EQ(
      fileLines(log).back(),
      kLogTime + "x was replace to 'q]` at table (O'Brien's \"list\") and column (Who's name)");
}

TEST_F(Run, MultipleModeAppliesEverySetThatOccursInOrderAndWritesOnce) {
  makeCities({"ac", "c", "zz"});
  RunOutcome out = run(multiple({{"a", "b"}, {"c", "d"}, {"bd", "BD"}, {"q", "r"}}));
  EXPECT_EQ(cities(), (Cells{"BD", "d", "zz"}));
  EXPECT_EQ(fileLines(log),
            (std::vector<std::string>{
                kLogTime + "a was replace to b at table (Customers) and column (City)",
                kLogTime + "c was replace to d at table (Customers) and column (City)",
                kLogTime + "bd was replace to BD at table (Customers) and column (City)",
                kLogTime + "c was replace to d at table (Customers) and column (City)"}));
  EXPECT_EQ(out.tables[0].valuesChanged, 2u);
  EXPECT_EQ(out.tables[0].logLines, 4u);
}

TEST_F(Run, NumberFieldsWhoseTextMatchesAreLoggedAndSkipped) {
  make({NewTable{"Customers",
                 {{"City", jet::ColumnType::kText, 20}, {"Zip", jet::ColumnType::kLong}},
                 {{text("Lyon 2"), number(12)}, {text("Nice"), number(7)}}}});
  RunOutcome out = run(single("2", "3"));
  EXPECT_EQ(cities(), (Cells{"Lyon 3", "Nice"}));
  EXPECT_EQ(readColumn(db, "Customers", "Zip"), (Cells{"12", "7"}));
  EXPECT_EQ(fileLines(log).size(), 2u);
  EXPECT_EQ(out.tables[0].changesSkipped, 1u);
  EXPECT_EQ(out.tables[0].skipReasons.begin()->first, jet::err::kCantConvertValue);
  EXPECT_TRUE(reports.shown.empty());  // a tolerated failure shows no report
  EXPECT_FALSE(out.clean());
}

TEST_F(Run, TooLongValuesAreSkippedAndTheirLogLineStays) {
  make({NewTable{
      "Customers", {{"City", jet::ColumnType::kText, 6}}, {{text("Paris")}, {text("P")}}}});
  RunOutcome out = run(single("P", "Pxxxxx"));
  EXPECT_EQ(cities(), (Cells{"Paris", "Pxxxxx"}));
  EXPECT_EQ(fileLines(log).size(), 2u);
  EXPECT_EQ(out.tables[0].skipReasons.begin()->first, jet::err::kDataOverflow);
}

TEST_F(Run, SingleModeMatchesCaseSensitivelyAndNeverMatchesEmptyOrNull) {
  make({NewTable{"Customers",
                 {{"City", jet::ColumnType::kText, 20}},
                 {{text("ABC")}, {text("xabcx")}, {text("abcabc")}, {null()}, {text("")}}}});
  run(single("abc", "-"));
  EXPECT_EQ(cities(), (Cells{"ABC", "x-x", "--", std::nullopt, ""}));
  EXPECT_EQ(fileLines(log).size(), 2u);
}

TEST_F(Run, AnEmptyFindTextLogsEveryValueAndChangesNothing) {
  makeCities({"one", "two"});
  RunOutcome out = run(single("", "zzz"));
  EXPECT_EQ(cities(), (Cells{"one", "two"}));
  EXPECT_EQ(fileLines(log).size(), 2u);
  EXPECT_EQ(out.tables[0].valuesChanged, 0u);
}

TEST_F(Run, NoCurrentTableAsksForOneAndDoesNothingElse) {
  makeCities({"Paris"});
  RunInputs in = single("P", "B");
  in.currentIndex = -1;
  RunOutcome out = run(in);
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Please select a table"}));
  EXPECT_TRUE(window.pointer.empty());
  EXPECT_FALSE(out.started);
  EXPECT_EQ(cities(), (Cells{"Paris"}));
  EXPECT_FALSE(jet::testing::readWhole(log).size() > 0);
}

TEST_F(Run, UnselectedAndEmptyTablesChangeNothingAndTheRunIsDone) {
  make({NewTable{"Customers", {{"City", jet::ColumnType::kText, 20}}, {{text("Paris")}}},
        NewTable{"Empty", {{"City", jet::ColumnType::kText, 20}}, {}}});
  RunInputs in = single("P", "B", {"Customers", "Empty"});
  in.tables[0].selected = false;
  RunOutcome out = run(in);
  EXPECT_EQ(cities(), (Cells{"Paris"}));
  ASSERT_EQ(out.tables.size(), 1u);
  EXPECT_EQ(out.tables[0].rowsRead, 0u);
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Done."}));
  EXPECT_TRUE(fileLines(log).empty());
}

TEST_F(Run, AFailureIsReportedAtItsStepAndTheRunGoesOn) {
  makeCities({"Paris"});
  RunInputs in = single("P", "B", {"Nowhere", "Customers"});
  RunOutcome out = run(in);
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_EQ(reports.shown[0].location, "Form2.PushButton1_Click");
  EXPECT_EQ(reports.shown[0].line, 118);
  EXPECT_EQ(cities(), (Cells{"Baris"}));
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Done."}));
  EXPECT_FALSE(out.clean());

  RunInputs gone = single("P", "B");
  gone.databasePath = folder.file("missing.mdb");
  reports.shown.clear();
  out = run(gone);
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_EQ(reports.shown[0].line, 114);
  ASSERT_EQ(out.tables.size(), 1u);  // still named, as a table that could not be read
  EXPECT_FALSE(out.tables[0].opened);
}

TEST_F(Run, AFileThatCannotBeWrittenIsReportedOnceAndLeftAlone) {
  if (jet::testing::runningAsRoot()) GTEST_SKIP() << "root writes read-only files";
  makeCities({"Paris", "Pau", "Lyon", "Poitiers"});
  ::chmod(db.c_str(), 0444);
  auto before = jet::testing::readWhole(db);
  RunOutcome out = run(single("P", "B"));
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_EQ(reports.shown[0].line, 140);
  EXPECT_NE(reports.shown[0].description.find(db), std::string::npos)
      << reports.shown[0].description;
  EXPECT_EQ(out.tables[0].changesSkipped, 3u);
  EXPECT_EQ(jet::testing::readWhole(db), before);
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Done."}));
}

// The writer refuses indexed columns: the refusal is reported once for the column, not once per
// value, and its other values are skipped without touching the file.
TEST_F(Run, ARefusedColumnIsReportedOnceAndItsValuesSkipped) {
  // ", " occurs only in the two calculated columns (LastFirst, AllNames), which are never
  // written: one report, every value skipped, the file untouched.
  std::string copy = folder.file("calc.accdb");
  std::filesystem::copy_file(
      std::string(FIELDMEND_CORPUS_DIR) + "/jackcess/V2010/calcFieldTestV2010.accdb", copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  auto before = jet::testing::readWhole(copy);
  RunInputs in = single(", ", "; ", {"Table1"});
  in.databasePath = copy;
  RunOutcome out = run(in);
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_EQ(reports.shown[0].line, 140);
  EXPECT_NE(reports.shown[0].description.find("LastFirst"), std::string::npos);
  EXPECT_EQ(out.tables[0].valuesChanged, 0u);
  EXPECT_GT(out.tables[0].changesSkipped, 2u);
  EXPECT_EQ(out.tables[0].logLines, out.tables[0].changesSkipped);
  EXPECT_EQ(jet::testing::readWhole(copy), before);
}

// A new value that a unique index already holds is skipped alone, counted and not reported: the
// column's other values are still changed. Row 0 holds "stuff", row 2 "more", row 9
// "still more rows".
TEST_F(Run, AUniqueIndexClashSkipsThatValueAloneAndSilently) {
  std::string copy = folder.file("unique.mdb");
  std::filesystem::copy_file(
      std::string(FIELDMEND_CORPUS_DIR) + "/jackcess/V2003/testIndexPropertiesV2003.mdb", copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  RunInputs in = single("more", "stuff", {"TableUnique1_temp"});
  in.databasePath = copy;
  RunOutcome out = run(in);
  EXPECT_TRUE(reports.shown.empty());
  EXPECT_EQ(readColumn(copy, "TableUnique1_temp", "data")[9], "still stuff rows");
  EXPECT_EQ(out.tables[0].valuesChanged, 1u);
  ASSERT_EQ(out.tables[0].changesSkipped, 1u);
  EXPECT_EQ(summarizeRun(out).details[1],
            "1 skipped: refused by a unique index (first in TableUnique1_temp.data)");
}

// No change without its log line: a log that cannot be written is reported once, naming the file
// and the system's reason, and the run stops there, across table entries too.
TEST_F(Run, AnUnwritableLogIsReportedOnceAndStopsTheRun) {
  makeCities({"Paris", "Pau"});
  RunInputs in = single("P", "B", {"Customers", "Customers"});
  RunContext cx{reports, window, window, window};
  cx.clock = fixedClock;
  cx.logPath = folder.file("no-such-folder/backups.log");
  RunOutcome out = runReplacement(in, cx);
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_EQ(reports.shown[0].line, 138);
  EXPECT_NE(reports.shown[0].description.find(cx.logPath + ": No such file or directory"),
            std::string::npos)
      << reports.shown[0].description;
  EXPECT_EQ(cities(), (Cells{"Paris", "Pau"}));
  EXPECT_FALSE(out.clean());
  EXPECT_FALSE(out.cancelled);
  EXPECT_EQ(summarizeRun(out).headline,
            "Stopped: " + reports.shown[0].description +
                ". No change is made without its log line, so nothing was changed.");
  EXPECT_EQ(window.notices, (std::vector<std::string>{"Done."}));
}

// A log whose lines cannot reach the disk (here a full device) fails when they must be made
// durable, before the changes are committed: those changes are dropped, and counted as not made.
TEST_F(Run, ALogThatCannotBeMadeDurableDropsTheChangesItWouldCover) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  makeCities({"Paris", "Pau"});
  RunInputs in = single("P", "B", {"Customers", "Customers"});
  RunContext cx{reports, window, window, window};
  cx.clock = fixedClock;
  cx.logPath = "/dev/full";
  RunOutcome out = runReplacement(in, cx);
  EXPECT_EQ(cities(), (Cells{"Paris", "Pau"}));
  EXPECT_FALSE(out.clean());
  ASSERT_FALSE(out.tables.empty());
  EXPECT_EQ(out.tables[0].valuesChanged, 0u);
  ASSERT_FALSE(reports.shown.empty());
  EXPECT_NE(reports.shown[0].description.find("/dev/full"), std::string::npos)
      << reports.shown[0].description;
}

// Lines whose changes were all skipped are followed by no commit: their failure is heard too.
TEST_F(Run, ALogThatCannotTakeTheLinesOfSkippedChangesIsReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  make({{"Zips", {{"Zip", jet::ColumnType::kLong}}, {{number(64)}}}});
  RunContext cx{reports, window, window, window};
  cx.clock = fixedClock;
  cx.logPath = "/dev/full";
  RunOutcome skipped = runReplacement(single("6", "7", {"Zips"}), cx);
  EXPECT_FALSE(skipped.clean());
  ASSERT_EQ(reports.shown.size(), 1u);
  EXPECT_NE(reports.shown[0].description.find("/dev/full"), std::string::npos)
      << reports.shown[0].description;
}

// The summary gives each reason in words with its count and where it first struck.
TEST_F(Run, TheSummarySaysWhatChangedAndWhyTheRestWasSkipped) {
  make({{"Customers",
         {{"City", jet::ColumnType::kText, 6}, {"Zip", jet::ColumnType::kLong}},
         {{text("Pau6"), number(64)}, {text("Lyon"), number(69)}, {text("Paris6"), number(75)}}}});
  RunOutcome out = run(single("6", "XX"));
  EXPECT_EQ(summaryText(summarizeRun(out)),
            "Done: 1 value changed, 3 changes skipped.\n"
            "Customers: 3 rows read, 1 value changed, 3 changes skipped\n"
            "2 skipped: not a text column (first in Customers.Zip)\n"
            "1 skipped: too long for the column (first in Customers.City)\n"
            "Change log: " +
                log + " (4 lines added)\n");
  EXPECT_EQ(fileLines(log).size(), 4u);
}

TEST_F(Run, CancellingKeepsTheChangesSoFar) {
  makeCities({"Paris", "Pau", "Pessac", "Poitiers"});
  window.stopAfterRows = 2;
  RunOutcome out = run(single("P", "B"));
  EXPECT_TRUE(out.cancelled);
  EXPECT_EQ(cities(), (Cells{"Baris", "Bau", "Pessac", "Poitiers"}));
  EXPECT_TRUE(window.notices.empty());
  EXPECT_EQ(window.pointer.back(), PointerMode::kDefault);
  EXPECT_EQ(fileLines(log).size(), 2u);
  EXPECT_EQ(summarizeRun(out).headline,
            "Cancelled: 2 values were changed before the run stopped, and those changes stay.");
}

TEST_F(Run, ProgressCountsRowsOfRows) {
  makeCities({"a", "b", "c"});
  run(single("z", "y"));
  ASSERT_EQ(window.steps.size(), 4u);
  EXPECT_EQ(window.steps[0].row, 0u);
  EXPECT_EQ(window.steps[3].row, 3u);
  EXPECT_EQ(window.steps[3].rows, 3u);
  EXPECT_EQ(window.stepTables[0], "Customers");
}

TEST_F(Run, ADryRunChangesAndLogsNothing) {
  makeCities({"Paris", "Lyon"});
  RunOutcome out = run(single("Par", "Ber"), true);
  EXPECT_EQ(cities(), (Cells{"Paris", "Lyon"}));
  EXPECT_EQ(out.tables[0].valuesChanged, 1u);
  EXPECT_TRUE(jet::testing::readWhole(log).empty());
}

}  // namespace
}  // namespace engine
