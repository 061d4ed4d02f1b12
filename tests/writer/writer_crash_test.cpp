// writer_crash_test.cpp: one change that moves a row to another page, updates the table's usage
// maps and the global map, and stores a long value over a chain of new pages, cut after each
// write of its commit in turn (and garbled at each write). On reopening, the roll-back leaves
// the file byte for byte as before or as after, and the integrity check passes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jet/page/data_page.h"
#include "jet/database_writer.h"
#include "jet/file/fault_hook.h"
#include "jet/file/journal.h"
#include "jet/schema/table_pages.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

constexpr const char* kFile = "mdb-reader/real/ASampleDatabase.accdb";
constexpr const char* kTable = "Asset Items";

// Applies the change to the file at `path` through `faults`; returns the commit's status.
// `row` picks the row; the change grows every writable text column to its limit and the memo
// to a 20,000-character chain.
jet::Status applyChange(const std::string& path, jet::FaultHook* faults, std::size_t row,
                        bool* moved = nullptr) {
  jet::WriterOptions options;
  options.faults = faults;
  auto w = jet::DatabaseWriter::open(path, options);
  if (!w.ok()) return w.error();
  auto& writer = **w;
  auto tables = jet::localTables(writer.pages(), jet::formatFor(writer.version()));
  if (!tables.ok()) return tables.error();
  std::uint32_t tdef = 0;
  for (const auto& t : *tables)
    if (t.name == kTable) tdef = t.tdefPage;
  auto table = writer.table(tdef, kTable);
  if (!table.ok()) return table.error();
  auto rows = jet::tableRowLocators(writer.pages(), (*table)->table(), jet::formatFor(writer.version()));
  if (!rows.ok() || row >= rows->size()) return jet::Error{1, "no such row"};
  jet::CellChanges changes;
  const auto& columns = (*table)->table().def.columns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    jet::Value v;
    v.isNull = false;
    bool textual =
        columns[i].type == jet::ColumnType::kText || columns[i].type == jet::ColumnType::kMemo;
    if (!textual || !(*table)->checkColumn(i, v).ok()) continue;
    bool memo = columns[i].type == jet::ColumnType::kMemo;
    v.text = std::string(memo ? 20000 : columns[i].length / 2u, memo ? 'm' : 'T');
    changes.emplace_back(i, v);
  }
  jet::RowLocator at = (*rows)[row];
  JET_TRY((*table)->updateRow(at, changes));
  if (moved != nullptr) {
    auto page = writer.pages().read(at.page);
    *moved = (jet::DataPageEditor(*page, writer.jet3()).flags(at.row) &
              jet::DataPageEditor::kRowOverflow) != 0;
  }
  return writer.flush();
}

TEST(WriterCrash, EveryCutLeavesTheFileBeforeOrAfter) {
  TempDir dir;
  std::string pristine = dir.copy(kFile);
  auto before = fileBytes(pristine);
  // Find a row whose change moves it, and count the commit's writes.
  std::size_t row = 0;
  int writes = 0;
  std::vector<std::uint8_t> after;
  for (;; ++row) {
    ASSERT_LT(row, 40u) << "no row of " << kTable << " moves";
    std::string probe = dir.path("probe.accdb");
    std::filesystem::copy_file(pristine, probe, std::filesystem::copy_options::overwrite_existing);
    jet::FaultHook counter = jet::FaultHook::counting();
    bool moved = false;
    jet::Status s = applyChange(probe, &counter, row, &moved);
    ASSERT_TRUE(s.ok()) << s.description();
    if (!moved) continue;
    writes = counter.writes();
    after = fileBytes(probe);
    EXPECT_TRUE(integrityProblems(probe).empty());
    break;
  }
  ASSERT_GT(writes, 3);
  int rolledBack = 0;
  for (int n = 0; n < writes; ++n) {
    for (bool garble : {false, true}) {
      if (garble && n == 0) continue;
      SCOPED_TRACE("cut at write " + std::to_string(n) + (garble ? " (garbled)" : ""));
      std::string path = dir.path("cut.accdb");
      std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
      jet::FaultHook hook = garble ? jet::FaultHook::garbleAt(n) : jet::FaultHook::stopAfter(n);
      EXPECT_FALSE(applyChange(path, &hook, row).ok());
      {
        auto reopened = jet::DatabaseWriter::open(path);  // rolls back what the cut left
        ASSERT_TRUE(reopened.ok()) << reopened.error().description;
        if ((*reopened)->recovery() == jet::Recovery::kRolledBack) {
          ++rolledBack;
          EXPECT_NE((*reopened)->recoveryNotice().find(path), std::string::npos);
        } else {
          EXPECT_TRUE((*reopened)->recoveryNotice().empty());
        }
      }
      auto now = fileBytes(path);
      EXPECT_TRUE(now == before || now == after);
      auto problems = integrityProblems(path);
      EXPECT_TRUE(problems.empty()) << problems.front();
    }
  }
  EXPECT_GT(rolledBack, 0);  // some cuts fell while the database itself was being written
}

}  // namespace

namespace {

// A reader that finds a change interrupted by a crash undoes it before reading anything, and
// says so, rather than show half-written pages.
TEST(WriterCrash, OpeningToReadUndoesAnInterruptedChangeAndSaysSo) {
  TempDir dir;
  std::string path = dir.copy(kFile);
  auto before = fileBytes(path);
  bool rolledBack = false;
  for (int n = 1; n < 12 && !rolledBack; ++n) {
    std::filesystem::remove(path);
    path = dir.copy(kFile);
    jet::FaultHook hook = jet::FaultHook::stopAfter(n);
    (void)applyChange(path, &hook, 0);
    auto hot = jet::hasHotJournal(path);
    ASSERT_TRUE(hot.ok());
    if (!*hot) continue;
    auto db = jet::Database::open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    EXPECT_NE((*db)->recoveryNotice().find("interrupted"), std::string::npos);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_FALSE(*jet::hasHotJournal(path));
    rolledBack = true;
  }
  EXPECT_TRUE(rolledBack) << "no cut left a journal behind";
  auto again = jet::Database::open(path);
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE((*again)->recoveryNotice().empty());
}

}  // namespace
