// writer_crash_test.cpp: one change that moves a row to another page, updates the table's usage
// maps and the global map, and stores a long value over a chain of new pages, cut after each
// write of its commit in turn (and garbled at each write), on a plain and on an encrypted file.
// On reopening, the roll-back leaves the file byte for byte as before or as after, and the
// integrity check passes. A process killed at each write of a change to an encrypted file leaves
// no plaintext in any file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "jet/page/data_page.h"
#include "jet/database_writer.h"
#include "jet/file/fault_hook.h"
#include "jet/file/journal.h"
#include "jet/row/table_pages.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct Case {
  const char* file;
  const char* table;
  const char* password;
  bool encrypted;
};
constexpr Case kPlain{"mdb-reader/real/ASampleDatabase.accdb", "Asset Items", "", false};
constexpr Case kEncrypted{"tika/testAccess2_encrypted.accdb", "Table1", "tika", true};

// Applies the change to the file at `path` through `faults`; returns the commit's status.
// `row` picks the row; the change grows every writable text column to its limit and the memo
// to a 20,000-character chain.
jet::Status applyChange(const Case& c, const std::string& path, jet::FaultHook* faults,
                        std::size_t row, bool* moved = nullptr) {
  const char* kTable = c.table;
  jet::WriterOptions options;
  options.faults = faults;
  options.password = c.password;
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

class WriterCut : public ::testing::TestWithParam<Case> {};

// Finds a row whose change moves it (the first row when none does, on a file too small for
// that), and counts the commit's writes and keeps the file it leaves.
std::size_t probeChange(const Case& c, TempDir& dir, const std::string& pristine, int& writes,
                        std::vector<std::uint8_t>& after) {
  for (std::size_t row = 0; row < 40; ++row) {
    std::string probe = dir.path("probe.accdb");
    std::filesystem::copy_file(pristine, probe, std::filesystem::copy_options::overwrite_existing);
    jet::FaultHook counter = jet::FaultHook::counting();
    bool moved = false;
    if (!applyChange(c, probe, &counter, row, &moved).ok()) break;
    if (!moved && !c.encrypted) continue;
    writes = counter.writes();
    after = fileBytes(probe);
    EXPECT_TRUE(integrityProblems(probe, c.password).empty());
    return row;
  }
  ADD_FAILURE() << "no row of " << c.table << " could be changed as the test needs";
  return 0;
}

TEST_P(WriterCut, EveryCutLeavesTheFileBeforeOrAfter) {
  const Case& c = GetParam();
  TempDir dir;
  std::string pristine = dir.copy(c.file);
  auto before = fileBytes(pristine);
  int writes = 0;
  std::vector<std::uint8_t> after;
  const std::size_t row = probeChange(c, dir, pristine, writes, after);
  ASSERT_GT(writes, 3);
  int rolledBack = 0;
  for (int n = 0; n < writes; ++n) {
    for (bool garble : {false, true}) {
      if (garble && n == 0) continue;
      SCOPED_TRACE("cut at write " + std::to_string(n) + (garble ? " (garbled)" : ""));
      std::string path = dir.path("cut.accdb");
      std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
      jet::FaultHook hook = garble ? jet::FaultHook::garbleAt(n) : jet::FaultHook::stopAfter(n);
      EXPECT_FALSE(applyChange(c, path, &hook, row).ok());
      {
        jet::WriterOptions options;
        options.password = c.password;
        auto reopened = jet::DatabaseWriter::open(path, options);  // rolls back what the cut left
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
      auto problems = integrityProblems(path, c.password);
      EXPECT_TRUE(problems.empty()) << problems.front();
    }
  }
  EXPECT_GT(rolledBack, 0);  // some cuts fell while the database itself was being written
}

INSTANTIATE_TEST_SUITE_P(Files, WriterCut, ::testing::Values(kPlain, kEncrypted),
                         [](const auto& param) { return param.param.encrypted ? "Encrypted" : "Plain"; });

// Texts the change writes and a text the file holds, as one-byte and as UTF-16 characters.
bool holdsPlaintext(const std::vector<std::uint8_t>& bytes) {
  for (const std::string& text : {std::string(24, 'T'), std::string(24, 'm'), std::string("the quick")}) {
    std::string wide;
    for (char ch : text) wide += {ch, '\0'};
    for (const std::string& needle : {text, wide}) {
      if (std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end()) {
        return true;
      }
    }
  }
  return false;
}

TEST(WriterCrash, AProcessKilledAtAnyWriteToAnEncryptedFileLeavesNoPlaintext) {
  const Case& c = kEncrypted;
  TempDir dir;
  std::string pristine = dir.copy(c.file);
  int writes = 0;
  std::vector<std::uint8_t> after;
  const std::size_t row = probeChange(c, dir, pristine, writes, after);
  ASSERT_FALSE(holdsPlaintext(after));
  std::filesystem::remove(dir.path("probe.accdb"));
  for (int n = 1; n <= writes; ++n) {
    SCOPED_TRACE("killed at write " + std::to_string(n));
    std::string path = dir.path("killed.accdb");
    std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      jet::FaultHook hook = jet::FaultHook::counting();
      hook.observer = [n](int write) {
        if (write == n) ::_exit(9);  // dies as a killed process does: nothing flushed, no cleanup
      };
      (void)applyChange(c, path, &hook, row);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
      EXPECT_FALSE(holdsPlaintext(fileBytes(entry.path().string()))) << entry.path();
    }
    auto problems = integrityProblems(path, c.password);  // rolls back what the kill left
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
}

}  // namespace

namespace {

// A reader that finds a change interrupted by a crash undoes it before reading anything, and
// says so, rather than show half-written pages.
TEST(WriterCrash, OpeningToReadUndoesAnInterruptedChangeAndSaysSo) {
  TempDir dir;
  std::string path = dir.copy(kPlain.file);
  auto before = fileBytes(path);
  bool rolledBack = false;
  for (int n = 1; n < 12 && !rolledBack; ++n) {
    std::filesystem::remove(path);
    path = dir.copy(kPlain.file);
    jet::FaultHook hook = jet::FaultHook::stopAfter(n);
    (void)applyChange(kPlain, path, &hook, 0);
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
