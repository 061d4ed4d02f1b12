// undo_oracle_test.cpp: replace, then undo, on temporary copies of the sample and of real files
// of several versions, plain and indexed: both oracles read every table back exactly as it was,
// and the integrity check finds nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/recording_error_reporter.h"
#include "engine/replacement_run.h"
#include "engine/run_test_support.h"
#include "engine/undo_file.h"
#include "engine/undo_run.h"
#include "jet/database.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct Case {
  std::string file;  // in the corpus; "" for the shipped sample
  std::vector<std::string> tables;
  std::string find;
  std::string replace;
};

// What compare_oracles.mjs expects of a table that is as it was: every row's first text column
// with its original value (all other columns are then compared with the original too).
std::string unchangedCells(const std::string& before, const std::string& table) {
  auto db = jet::Database::open(before);
  auto def = (*db)->table(table);
  std::size_t k = 0;
  while (k < def->columns.size() && def->columns[k].type != jet::ColumnType::kText &&
         def->columns[k].type != jet::ColumnType::kMemo) {
    ++k;
  }
  auto scan = (*db)->scan(*def);
  std::string cells;
  jet::Row row;
  for (std::size_t r = 0; *(*scan)->next(row); ++r) {
    const jet::Value& v = row.values.at(k);
    cells += std::string(cells.empty() ? "" : ",") + "[" + std::to_string(r) + "," +
             jsonString(def->columns[k].name) + "," + (v.isNull ? "null" : jsonString(v.text)) +
             "]";
  }
  return "{\"cells\":[" + cells + "]}";
}

class UndoOnCorpus : public ::testing::TestWithParam<Case> {};

TEST_P(UndoOnCorpus, ReplaceThenUndoReadsBackAsBefore) {
  if (!haveOracles()) GTEST_SKIP() << "node, mdbtools or mdb-reader missing";
  const Case& c = GetParam();
  TempDir dir;
  std::string before;
  if (c.file.empty()) {
    before = dir.path("sample.mdb");
    std::filesystem::copy_file(std::string(FIELDMEND_SOURCE_DIR) + "/Samples/sample.mdb", before);
  } else {
    before = dir.copy(c.file);
  }
  const std::string after = dir.path("changed-" + std::filesystem::path(before).filename().string());
  std::filesystem::copy_file(before, after);

  engine::RunInputs in;
  in.databasePath = after;
  for (const std::string& t : c.tables) in.tables.push_back({t, true});
  in.currentIndex = 0;
  in.findText = c.find;
  in.replaceText = c.replace;
  db::RecordingErrorReporter reports;
  engine::testing::FakeWindow window;
  engine::RunContext cx{reports, window, window, window};
  cx.logPath = dir.path("backups.log");
  engine::UndoFileWriter undoFile(dir.path("run.undo"), true, after, {{c.find, c.replace}});
  cx.recorder = &undoFile;
  engine::RunOutcome run = engine::runReplacement(in, cx);
  ASSERT_TRUE(undoFile.finish().ok());
  std::uint64_t changed = 0;
  for (const auto& t : run.tables) changed += t.valuesChanged;
  ASSERT_GT(changed, 0u) << "nothing to take back in " << c.file;

  engine::ApplyContext back;
  back.logPath = cx.logPath;
  engine::ApplyOutcome undone = engine::runUndo(after, "", undoFile.path(), back);
  EXPECT_TRUE(undone.clean()) << (undone.refused ? undone.refused->description : "");
  EXPECT_EQ(undone.made, changed);
  auto problems = integrityProblems(after);
  EXPECT_TRUE(problems.empty()) << problems.front();
  for (const std::string& t : c.tables) {
    EXPECT_EQ(oracleDifferences(before, after, t, unchangedCells(before, t)), "") << t;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UndoOnCorpus,
    ::testing::Values(Case{"", {"Customers", "Products", "Orders"}, "e", "EÉ"},
                      Case{"jackcess/V1997/compIndexTestV1997.mdb", {"Table1"}, "b", "BB"},
                      Case{"jackcess/V2003/test2V2003.mdb", {"MSP_PROJECTS"}, "e", "Ωe"},
                      Case{"mdb-reader/real/ASampleDatabase.accdb", {"Asset Items"}, "0", "zero"},
                      Case{"jackcess/V2010/overflowTestV2010.accdb", {"Table1"}, "row", "漢字"}),
    [](const auto& param) {
      std::string name = param.param.file.empty()
                             ? std::string("sample")
                             : std::filesystem::path(param.param.file).stem().string();
      for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
