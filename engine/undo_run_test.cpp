// undo_run_test.cpp: the undo file keeps any text and drops changes that were not made; a run
// taken back restores every cell, keyed or not, key columns included; cells changed since are
// left alone and reported; a second undo changes nothing; another database is refused; a run
// cut off part-way is taken back after its journal rolled back.
#include "engine/undo_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utime.h>

#include <chrono>
#include <filesystem>

#include "db/recording_error_reporter.h"
#include "engine/run_test_support.h"
#include "engine/undo_file.h"
#include "jet/integrity_check.h"

namespace engine {
namespace {

using namespace engine::testing;

// Every cell of every row of `table`, as text (null as "<null>").
std::vector<std::string> cells(const std::string& path, const std::string& table) {
  std::vector<std::string> out;
  auto db = jet::Database::open(path);
  if (!db.ok()) return {db.error().description};
  auto def = (*db)->table(table);
  auto scan = (*db)->scan(*def);
  jet::Row row;
  while (*(*scan)->next(row)) {
    for (std::size_t k = 0; k < row.values.size(); ++k) {
      out.push_back(row.values[k].isNull ? "<null>" : keyValueText(def->columns[k].type,
                                                                   row.values[k]));
    }
  }
  return out;
}

class UndoTest : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string db = folder.file("shop.mdb");
  std::string log = folder.file("backups.log");

  void SetUp() override {
    jet::CreateOptions options;
    options.templatePath =
        std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/empty-jet4.mdb";
    auto creator = jet::DatabaseCreator::create(db, options);
    ASSERT_TRUE(creator.ok()) << creator.error().description;
    // A key of two columns, one of them text the runs change; and a table without a key.
    jet::TableSpec keyed{"Customers",
                         {{"Country", jet::ColumnType::kText, 20},
                          {"ID", jet::ColumnType::kLong},
                          {"City", jet::ColumnType::kText, 40},
                          {"Notes", jet::ColumnType::kMemo}},
                         {{"PrimaryKey", {{"Country"}, {"ID"}}, true}}};
    ASSERT_TRUE((*creator)->addTable(keyed).ok());
    const char* cities[] = {"Paris", "Pau", "Lyon", "Parme", "Perpignan", "Nice"};
    for (int i = 0; i < 6; ++i) {
      ASSERT_TRUE((*creator)
                      ->insertRow({text(i % 2 ? "Poland" : "Peru"), number(i), text(cities[i]),
                                   i == 2 ? null() : text(std::string(3000, 'P') + "x")})
                      .ok());
    }
    ASSERT_TRUE((*creator)->addTable("Plain", {{"Word", jet::ColumnType::kText, 30}}).ok());
    for (const char* w : {"Pip", "pop", "Pup"}) ASSERT_TRUE((*creator)->insertRow({text(w)}).ok());
    ASSERT_TRUE((*creator)->finish().ok());
  }

  // A run over both tables with an undo file; its path.
  std::string replace(const std::string& find, const std::string& with, RunOutcome* out = nullptr,
                      ProgressSink* progress = nullptr, const std::string& on = {}) {
    const std::string target = on.empty() ? db : on;
    RunInputs in;
    in.databasePath = target;
    in.tables = {{"Customers", true}, {"Plain", true}};
    in.currentIndex = 0;
    in.findText = find;
    in.replaceText = with;
    db::RecordingErrorReporter reports;
    FakeWindow window;
    RunContext cx{reports, window, window, window};
    cx.logPath = log;
    cx.clock = fixedClock;
    cx.progress = progress;
    UndoFileWriter undo(folder.file("run.undo"), false, target, {{find, with}});
    cx.recorder = &undo;
    RunOutcome outcome = runReplacement(in, cx);
    EXPECT_TRUE(undo.finish().ok());
    if (out != nullptr) *out = outcome;
    return undo.path();
  }

  ApplyOutcome undo(const std::string& undoFile, const std::string& on = {}) {
    ApplyContext cx;
    cx.logPath = log;
    cx.clock = fixedClock;
    return runUndo(on.empty() ? db : on, "", undoFile, cx);
  }
};

TEST(UndoFile, KeepsAnyTextAndLeavesOutChangesNotMade) {
  jet::testing::ScratchFolder folder;
  const std::string path = folder.file("odd.undo");
  jet::testing::writeWhole(folder.file("x.mdb"), {1, 2, 3});
  UndoFileWriter writer(path, true, folder.file("x.mdb"), {{"a b", "1:2\n"}, {"", "c"}});
  RecordedChange odd{"T 1", {{{"K", "line\nbreak"}}, {7, 3}}, "C:1", {1, 0}, "", "x\n\ny"};
  RecordedChange voided{"T 1", {{{"K", "2"}}, {7, 4}}, "C:1", {0}, "old", "new"};
  RecordedChange plain{"U", {{}, {9, 0}}, "D", {0}, std::string(100000, 'z'), "short"};
  ASSERT_TRUE(writer.record(odd, {"K"}).ok());
  ASSERT_TRUE(writer.record(voided, {"K"}).ok());
  writer.changeNotMade();
  ASSERT_TRUE(writer.record(plain, {}).ok());
  ASSERT_TRUE(writer.finish().ok());
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A path the user chose is never overwritten.
  UndoFileWriter again(path, true, folder.file("x.mdb"), {});
  EXPECT_NE(again.record(plain, {}).description().find(path), std::string::npos);

  auto reader = UndoFileReader::open(path);
  ASSERT_TRUE(reader.ok()) << reader.error().description;
  const UndoHeader& h = (*reader)->header();
  EXPECT_TRUE(h.finished);
  EXPECT_EQ(h.changes, 2u);
  ASSERT_EQ(h.pairs.size(), 2u);
  EXPECT_EQ(h.pairs[0].replace, "1:2\n");
  RecordedChange got;
  for (const RecordedChange* want : {&odd, &plain}) {
    ASSERT_TRUE(*(*reader)->next(got));
    EXPECT_EQ(got.table, want->table);
    EXPECT_EQ(got.row.text(), want->row.text());
    EXPECT_TRUE(got.row.locator == want->row.locator);
    EXPECT_EQ(got.column, want->column);
    EXPECT_EQ(got.applied, want->applied);
    EXPECT_EQ(got.oldValue, want->oldValue);
    EXPECT_EQ(got.newValue, want->newValue);
  }
  EXPECT_FALSE(*(*reader)->next(got));

  // Cut short, it reads as damaged, naming the file.
  auto bytes = jet::testing::readWhole(path);
  bytes.resize(bytes.size() - 3);
  jet::testing::writeWhole(folder.file("cut.undo"), bytes);
  auto cut = UndoFileReader::open(folder.file("cut.undo"));
  ASSERT_TRUE(cut.ok());
  jet::Status seen;
  while (true) {
    auto more = (*cut)->next(got);
    if (!more.ok()) {
      seen = more.error();
      break;
    }
    if (!*more) break;
  }
  EXPECT_NE(seen.description().find("cut.undo"), std::string::npos) << seen.description();
}

TEST_F(UndoTest, ARunTakenBackRestoresEveryCellAndASecondUndoChangesNothing) {
  const auto before = cells(db, "Customers");
  const auto plainBefore = cells(db, "Plain");
  RunOutcome run;
  const std::string undoFile = replace("P", "Q", &run);
  ASSERT_TRUE(run.clean());
  ASSERT_NE(cells(db, "Customers"), before);
  const std::uint64_t changed = run.tables[0].valuesChanged + run.tables[1].valuesChanged;
  const std::size_t logged = fileLines(log).size();

  ApplyOutcome first = undo(undoFile);
  EXPECT_TRUE(first.clean()) << (first.refused ? first.refused->description : "");
  EXPECT_EQ(first.made, changed);
  EXPECT_EQ(cells(db, "Customers"), before);
  EXPECT_EQ(cells(db, "Plain"), plainBefore);
  // One reversed line per value put back.
  auto lines = fileLines(log);
  ASSERT_EQ(lines.size(), logged + changed);
  EXPECT_NE(lines.back().find("Q was replace to P at table (Plain) and column (Word)"),
            std::string::npos)
      << lines.back();

  const auto bytes = jet::testing::readWhole(db);
  ApplyOutcome second = undo(undoFile);
  EXPECT_TRUE(second.clean());
  EXPECT_EQ(second.made, 0u);
  EXPECT_EQ(second.alreadyMade, changed);
  EXPECT_EQ(jet::testing::readWhole(db), bytes);
  EXPECT_EQ(fileLines(log).size(), logged + changed);
}

TEST_F(UndoTest, CellsChangedSinceAreLeftAloneAndReported) {
  const auto plainBefore = cells(db, "Plain");
  const std::string first = replace("P", "Q");
  replace("Qa", "Xa");  // three of the cities the first run changed
  class Seen : public CellObserver {
   public:
    std::vector<std::string> changedSince;
    void cell(const CellReport& c) override {
      if (c.fate != CellFate::kChangedSince) return;
      changedSince.push_back(std::string(c.column) + "[" + c.row->text() + "]=" +
                             std::string(c.found));
    }
  } seen;
  ApplyContext cx;
  cx.logPath = log;
  cx.observer = &seen;
  ApplyOutcome out = runUndo(db, "", first, cx);
  EXPECT_FALSE(out.clean());
  EXPECT_EQ(out.changedSince, 3u);
  EXPECT_EQ(out.failed + out.rowsGone, 0u);
  EXPECT_EQ(seen.changedSince, (std::vector<std::string>{"City[Country=Qeru, ID=0]=Xaris",
                                                         "City[Country=Qoland, ID=1]=Xau",
                                                         "City[Country=Qoland, ID=3]=Xarme"}));
  // Every other cell is back, the key columns too.
  EXPECT_EQ(readColumn(db, "Customers", "City"),
            (std::vector<std::optional<std::string>>{"Xaris", "Xau", "Lyon", "Xarme", "Perpignan",
                                                     "Nice"}));
  EXPECT_EQ(readColumn(db, "Customers", "Country"),
            (std::vector<std::optional<std::string>>{"Peru", "Poland", "Peru", "Poland", "Peru",
                                                     "Poland"}));
  EXPECT_EQ(cells(db, "Plain"), plainBefore);
  EXPECT_TRUE(jet::checkDatabaseFile(db)->empty());
}

TEST_F(UndoTest, AnUndoFileOfAnotherDatabaseIsRefusedNamingBoth) {
  const std::string undoFile = replace("P", "Q");
  const std::string other = folder.file("other.mdb");
  std::filesystem::copy_file(db, other);
  // A copy made later: not the file the run left. (File times tick coarsely, so "now" could
  // still equal the run's own time.)
  std::filesystem::last_write_time(
      other, std::filesystem::last_write_time(db) + std::chrono::seconds(2));
  const auto bytes = jet::testing::readWhole(other);
  ApplyOutcome out = undo(undoFile, other);
  ASSERT_TRUE(out.refused);
  EXPECT_NE(out.refused->description.find(undoFile), std::string::npos);
  EXPECT_NE(out.refused->description.find(absolutePath(db)), std::string::npos);
  EXPECT_NE(out.refused->description.find(absolutePath(other)), std::string::npos);
  EXPECT_EQ(jet::testing::readWhole(other), bytes);
  // Moved whole, it is still the database the run left, and is taken back.
  const std::string moved = folder.file("moved.mdb");
  std::filesystem::rename(db, moved);
  ApplyOutcome back = undo(undoFile, moved);
  EXPECT_TRUE(back.clean()) << (back.refused ? back.refused->description : "");
  EXPECT_EQ(back.notes.size(), 1u);
}

// The run ends without warning in its second table; the first was committed. Opening the file
// rolls back what the journal holds, and the undo takes back what had reached the file.
TEST_F(UndoTest, ARunCutOffPartWayIsTakenBack) {
  const auto before = cells(db, "Customers");
  const auto plainBefore = cells(db, "Plain");
  const std::string undoFile = folder.file("run.undo");
  class Killer : public ProgressSink {
   public:
    void progress(const RunProgress& where) override {
      if (where.table == "Plain" && where.row == 2) ::_exit(0);
    }
    bool cancelRequested() override { return false; }
  } killer;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    replace("P", "Q", nullptr, &killer);
    ::_exit(1);  // not reached
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_NE(cells(db, "Customers"), before);
  ApplyOutcome out = undo(undoFile);
  EXPECT_TRUE(out.clean()) << (out.refused ? out.refused->description : "");
  EXPECT_GT(out.made, 0u);
  EXPECT_FALSE(out.notes.empty());
  EXPECT_EQ(cells(db, "Customers"), before);
  EXPECT_EQ(cells(db, "Plain"), plainBefore);
  EXPECT_TRUE(jet::checkDatabaseFile(db)->empty());
}

}  // namespace
}  // namespace engine
