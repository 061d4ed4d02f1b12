// run_oracle_test.cpp: replacement runs on temporary copies of real files of every version and on
// new files: both oracles read every changed cell with its new value and every other cell as it
// was, the integrity check finds nothing, and columns the writer refuses are skipped, not broken.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "db/recording_error_reporter.h"
#include "engine/matcher.h"
#include "engine/replacement.h"
#include "engine/replacement_run.h"
#include "engine/run_test_support.h"
#include "jet/database.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

// Records which columns the run changed and which it skipped.
class ChangeRecorder : public engine::RunObserver {
 public:
  std::set<std::string> changedColumns;
  std::set<std::string> skippedColumns;
  std::uint64_t changes = 0;
  std::uint64_t skips = 0;

  void changed(const engine::FieldChange& c) override {
    ++changes;
    changedColumns.emplace(c.column);
  }
  void skipped(const engine::SkippedChange& s) override {
    ++skips;
    skippedColumns.emplace(s.column);
  }
};

// What compare_oracles.mjs expects: every row's value in each changed column, computed from the
// original file as the engine reads it, with the replacement made wherever the find text occurs.
std::string expectedCells(const std::string& before, const std::string& table,
                          const std::set<std::string>& columns, const std::string& find,
                          const std::string& replace, const engine::MatchOptions& options) {
  auto matcher = engine::Matcher::compile(find, replace, options);
  auto db = jet::Database::open(before);
  auto def = (*db)->table(table);
  auto scan = (*db)->scan(*def);
  std::string cells;
  jet::Row row;
  for (std::size_t r = 0; *(*scan)->next(row); ++r) {
    for (std::size_t k = 0; k < def->columns.size(); ++k) {
      if (!columns.contains(def->columns[k].name)) continue;
      const jet::Value& v = row.values[k];
      std::string value = "null";
      if (!v.isNull && !options.any()) {
        value = jsonString(engine::occurs(v.text, find) ? engine::replaceAll(v.text, find, replace)
                                                        : v.text);
      } else if (!v.isNull) {
        const engine::ValueMatch m = (*matcher)->apply(v.text);
        value = jsonString(m.matched ? m.value : v.text);
      }
      cells += std::string(cells.empty() ? "" : ",") + "[" + std::to_string(r) + "," +
               jsonString(def->columns[k].name) + "," + value + "]";
    }
  }
  return "{\"cells\":[" + cells + "]}";
}

struct Case {
  Case(std::string f, std::string t, std::string fi, std::string r, engine::MatchOptions m = {})
      : file(std::move(f)), table(std::move(t)), find(std::move(fi)), replace(std::move(r)),
        match(m) {}
  std::string file;
  std::string table;
  std::string find;
  std::string replace;
  engine::MatchOptions match;
};

class RunOnCorpus : public ::testing::TestWithParam<Case> {};

TEST_P(RunOnCorpus, ChangedCellsReadBackInBothOracles) {
  if (!haveOracles()) GTEST_SKIP() << "node, mdbtools or mdb-reader missing";
  const Case& c = GetParam();
  TempDir dir;
  std::string before = dir.copy(c.file);
  std::string after = dir.path("changed-" + std::filesystem::path(c.file).filename().string());
  std::filesystem::copy_file(before, after);

  engine::RunInputs in;
  in.databasePath = after;
  in.tables = {{c.table, true}};
  in.currentIndex = 0;
  in.findText = c.find;
  in.replaceText = c.replace;
  in.match = c.match;
  db::RecordingErrorReporter reports;
  engine::testing::FakeWindow window;
  ChangeRecorder recorder;
  engine::RunContext cx{reports, window, window, window};
  cx.observer = &recorder;
  cx.logPath = dir.path("backups.log");
  cx.clock = engine::testing::fixedClock;
  engine::RunOutcome out = engine::runReplacement(in, cx);

  ASSERT_EQ(out.tables.size(), 1u);
  EXPECT_TRUE(out.tables[0].opened);
  EXPECT_GT(recorder.changes, 0u) << "nothing to compare in " << c.file;
  EXPECT_EQ(out.tables[0].valuesChanged, recorder.changes);
  EXPECT_EQ(out.tables[0].logLines, recorder.changes + recorder.skips);
  EXPECT_EQ(engine::testing::fileLines(cx.logPath).size(), out.tables[0].logLines);
  // A refused column is reported once per table, never once per value.
  EXPECT_LE(reports.shown.size(), out.tables[0].skipReasons.size());
  auto problems = integrityProblems(after);
  EXPECT_TRUE(problems.empty()) << problems.front();
  // A column is either changed wherever the text occurs, or refused as a whole.
  for (const std::string& column : recorder.changedColumns) {
    EXPECT_FALSE(recorder.skippedColumns.contains(column)) << column;
  }
  EXPECT_EQ(
      oracleDifferences(before, after, c.table,
                        expectedCells(before, c.table, recorder.changedColumns, c.find, c.replace,
                                      c.match)),
      "");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, RunOnCorpus,
    ::testing::Values(Case{"jackcess/V1997/overflowTestV1997.mdb", "Table1", "row", "RÖW€"},
                      Case{"jackcess/V1997/compIndexTestV1997.mdb", "Table1", "b", "BB"},
                      Case{"jackcess-encrypt/db97-enc.mdb", "Table1", "o", "0o"},
                      Case{"jackcess/V2003/test2V2003.mdb", "MSP_PROJECTS", "e", "Ωe"},
                      Case{"jackcess-encrypt/db-enc.mdb", "Table1", "o", "0o"},
                      Case{"mdb-reader/real/ASampleDatabase.accdb", "Asset Items", "0", "zero"},
                      Case{"jackcess/V2010/overflowTestV2010.accdb", "Table1", "row", "漢字"},
                      Case{"ucanaccess/functionsV2016.accdb", "t_funcs", "o", "0o"},
                      Case{"jackcess/V2019/extDateTestV2019.accdb", "Table1", "2", "two"},
                      // Letter case ignored, and whole words, read back the same way.
                      Case{"jackcess/V2003/test2V2003.mdb", "MSP_PROJECTS", "E", "Ωe", {true, false, false}},
                      Case{"jackcess/V2010/overflowTestV2010.accdb", "Table1", "ROW", "漢字",
                           {true, false, false}},
                      Case{"mdb-reader/real/ASampleDatabase.accdb", "Asset Items", "COMPUTER",
                           "Rechner", {true, true, false}}),
    [](const auto& param) {
      std::string name = std::filesystem::path(param.param.file).stem().string();
      if (param.param.match.ignoreCase) name += "_ignore_case";
      if (param.param.match.wholeWord) name += "_whole_word";
      for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// The worked example on new files of both kinds, read back by both oracles.
TEST(RunOnNewFiles, TheWorkedExampleReadsBackEverywhere) {
  if (!haveOracles()) GTEST_SKIP() << "node, mdbtools or mdb-reader missing";
  for (const char* name : {"shop.mdb", "shop.accdb"}) {
    TempDir dir;
    std::string before = dir.path(std::string("before-") + name);
    engine::testing::NewTable t{"Customers", {{"City", jet::ColumnType::kText, 20}}, {}};
    for (const char* city : {"Paris", "Parish", "Lyon", "Paris", "PARIS"}) {
      t.rows.push_back({engine::testing::text(city)});
    }
    ASSERT_EQ(engine::testing::createDatabase(before, {t}), "");
    std::string after = dir.path(name);
    std::filesystem::copy_file(before, after);
    engine::RunInputs in;
    in.databasePath = after;
    in.tables = {{"Customers", true}};
    in.currentIndex = 0;
    in.findText = "Par";
    in.replaceText = "Ber";
    db::RecordingErrorReporter reports;
    engine::testing::FakeWindow window;
    engine::RunContext cx{reports, window, window, window};
    cx.logPath = dir.path("backups.log");
    engine::RunOutcome out = engine::runReplacement(in, cx);
    EXPECT_TRUE(out.clean());
    EXPECT_EQ(engine::testing::fileLines(cx.logPath).size(), 3u);
    EXPECT_TRUE(integrityProblems(after).empty());
    EXPECT_EQ(oracleDifferences(before, after, "Customers",
                                "{\"cells\":[[0,\"City\",\"Beris\"],[1,\"City\",\"Berish\"],"
                                "[2,\"City\",\"Lyon\"],[3,\"City\",\"Beris\"],"
                                "[4,\"City\",\"PARIS\"]]}"),
              "")
        << name;
  }
}

}  // namespace
