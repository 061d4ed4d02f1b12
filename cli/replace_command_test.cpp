// replace_command_test.cpp: fieldmend-cli replace and sql on new databases in a scratch folder:
// usage errors, dry runs, what is printed per table, exit codes, set files, and the password
// that is never printed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/program.h"
#include "cli/program_test_support.h"
#include "engine/run_test_support.h"

namespace cli {
namespace {

using namespace engine::testing;

class ReplaceCommandTest : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string db = folder.file("shop.mdb");
  std::string log = folder.file("changes.log");

  void SetUp() override {
    NewTable t{
        "Customers",
        {{"City", jet::ColumnType::kText, 20}, {"Zip", jet::ColumnType::kLong}},
        {{text("Paris"), number(75)}, {text("Lyon"), number(69)}, {text("Pau"), number(64)}}};
    ASSERT_EQ(createDatabase(db, {t}), "");
  }

  using Outcome = testing::ProgramOutcome;
  Outcome run(std::vector<std::string> args) { return testing::runProgram(std::move(args)); }
  std::vector<std::optional<std::string>> cities() { return readColumn(db, "Customers", "City"); }
};

TEST_F(ReplaceCommandTest, BadCombinationsAreUsageErrorsThatChangeNothing) {
  auto before = jet::testing::readWhole(db);
  for (std::vector<std::string> args :
       {std::vector<std::string>{"replace", db, "--find", "a", "--replace", "b"},
        {"replace", db, "--all-tables", "--table", "Customers", "--find", "a", "--replace", "b"},
        {"replace", db, "--all-tables", "--find", "a"},
        {"replace", db, "--all-tables", "--find", "a", "--replace", "b", "--sets", "f"},
        {"replace", db, "--all-tables", "--find", "a", "--replace", "b", "--separator", ";"},
        {"replace", db, "--all-tables", "--sets", "f", "--separator", ""},
        {"replace", "--all-tables", "--find", "a", "--replace", "b"}}) {
    Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(jet::testing::readWhole(db), before);
}

TEST_F(ReplaceCommandTest, ADryRunPrintsEachChangeAndWritesNothing) {
  auto before = jet::testing::readWhole(db);
  Outcome r = run({"replace", db, "--table", "customers", "--find", "P", "--replace", "B",
                   "--dry-run", "--log", log});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "would change Customers.City [row at page 52, slot 0]: \"Paris\" -> \"Baris\"\n"
            "would change Customers.City [row at page 52, slot 2]: \"Pau\" -> \"Bau\"\n"
            "Dry run: 2 values would change, 0 changes would be skipped; nothing was changed or "
            "logged.\n"
            "Customers: 3 rows read, 2 values would change, 0 changes skipped\n");
  EXPECT_EQ(jet::testing::readWhole(db), before);
  EXPECT_TRUE(jet::testing::readWhole(log).empty());
}

TEST_F(ReplaceCommandTest, ARunChangesLogsAndSummarises) {
  Outcome r = run({"replace", db, "--all-tables", "--find", "P", "--replace", "B", "--log", log});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  const std::string undoFile = folder.file("fieldmend-undo-20261208-140509.undo");
  EXPECT_EQ(r.out,
            "Done: 2 values changed.\n"
            "Customers: 3 rows read, 2 values changed, 0 changes skipped\n"
            "Change log: " +
                log + " (2 lines added)\n" + "Undo file: " + undoFile +
                " (take the run back with 'fieldmend-cli undo " + db + " " + undoFile + "')\n");
  EXPECT_EQ(cities(), (std::vector<std::optional<std::string>>{"Baris", "Lyon", "Bau"}));
  EXPECT_EQ(fileLines(log).size(), 2u);
}

TEST_F(ReplaceCommandTest, ALogThatCannotBeWrittenIsReportedOnceAndStopsTheRun) {
  auto before = jet::testing::readWhole(db);
  const std::string nowhere = folder.file("missing/backups.log");
  Outcome r =
      run({"replace", db, "--all-tables", "--find", "P", "--replace", "B", "--log", nowhere});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '@'), 1) << r.err;  // one report
  EXPECT_NE(r.err.find(nowhere + ": No such file or directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.rfind("Stopped: cannot open the change log " + nowhere, 0), 0u) << r.out;
  EXPECT_EQ(jet::testing::readWhole(db), before);
}

TEST_F(ReplaceCommandTest, SkippedChangesGiveTheirReasonAndExitOne) {
  Outcome r = run({"replace", db, "--table", "Customers", "--find", "6", "--replace", "7", "--log",
                   log, "--json"});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_NE(r.out.find("\"changesSkipped\":2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"number\":\"0x80040E07\""), std::string::npos) << r.out;
  EXPECT_EQ(fileLines(log).size(), 2u);
}

TEST_F(ReplaceCommandTest, SetFilesApplyInOrderWithTheirSeparator) {
  std::string sets = folder.file("sets.txt");
  std::ofstream(sets) << "P;;B\r\nBa;;Ma\r\nno separator here\r\n";
  Outcome r = run(
      {"replace", db, "--table", "Customers", "--sets", sets, "--separator", ";;", "--log", log});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(cities(), (std::vector<std::optional<std::string>>{"Maris", "Lyon", "Mau"}));
  EXPECT_EQ(fileLines(log).size(), 4u);
  Outcome missing = run({"replace", db, "--table", "Customers", "--sets", sets + "x"});
  EXPECT_EQ(missing.code, kExitFailure);
  EXPECT_NE(missing.err.find(sets + "x"), std::string::npos);
}

TEST_F(ReplaceCommandTest, AnUnknownTableIsNamedAndNothingChanges) {
  auto before = jet::testing::readWhole(db);
  Outcome r = run({"replace", db, "--table", "Customers", "--table", "Clients", "--find", "P",
                   "--replace", "B", "--log", log});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_NE(r.err.find("'Clients'"), std::string::npos) << r.err;
  EXPECT_EQ(jet::testing::readWhole(db), before);
}

TEST_F(ReplaceCommandTest, ThePasswordIsNeverPrinted) {
  std::string locked = std::string(FIELDMEND_CORPUS_DIR) + "/ucanaccess/password.mdb";
  Outcome r = run({"replace", locked, "--password", "Sesame42", "--all-tables", "--find", "a",
                   "--replace", "b", "--dry-run"});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ((r.out + r.err).find("Sesame42"), std::string::npos);
  Outcome sql = run({"sql", locked, "SELECT * FROM `x`", "--password", "Sesame42"});
  EXPECT_EQ(sql.code, kExitFailure);
  EXPECT_EQ((sql.out + sql.err).find("Sesame42"), std::string::npos);
}

TEST_F(ReplaceCommandTest, SqlRunsTheSelectAndTheUpdate) {
  Outcome update = run({"sql", db, "update [Customers] set [City] = 'Rome' where [City] = 'LYON'"});
  EXPECT_EQ(update.code, kExitOk) << update.err;
  EXPECT_EQ(update.out, "1 record changed\n");
  Outcome select = run({"sql", db, "SELECT * FROM `Customers`"});
  EXPECT_EQ(select.code, kExitOk) << select.err;
  EXPECT_EQ(select.out,
            "{\"City\":\"Paris\",\"Zip\":75}\n{\"City\":\"Rome\",\"Zip\":69}\n"
            "{\"City\":\"Pau\",\"Zip\":64}\n");
  Outcome wrong = run({"sql", db, "update [Customers] set [Zip] = '1' where [Zip] = '75'"});
  EXPECT_EQ(wrong.code, kExitFailure);
  EXPECT_NE(wrong.err.find("Zip"), std::string::npos);
}

}  // namespace
}  // namespace cli
