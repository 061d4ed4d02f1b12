// write_transaction_test.cpp: commits reach the file all or nothing. The power is cut at every
// write of a commit that changes pages and grows the file, and again at every write of the
// roll-back; after reopening the file is always its old or its new self.

#include "jet/file/write_transaction.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "jet/core/error_codes.h"
#include "jet/file/journal.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

using testing::pattern;
using testing::readWhole;
using testing::ScratchFolder;
using testing::writeWhole;

constexpr std::uint32_t kPage = 512;
constexpr std::uint32_t kOriginalPages = 6;

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<PageFile> openToWrite(const std::string& path, FaultHook* faults = nullptr) {
  auto db = PageFile::openForWriting(path, faults);
  EXPECT_TRUE(db.ok()) << db.error().description;
  return db.ok() ? std::move(db).value() : nullptr;
}

// The change under test: three pages inside the file, two added beyond a gap, and a length
// beyond the last added page.
Status applyChange(WriteTransaction& tx) {
  for (const std::uint32_t page : {0u, 2u, 5u, 7u, 8u})
    JET_TRY(tx.putPage(page, pattern(kPage, 100 + page)));
  return tx.setFileLength(10 * kPage);
}

// The file before, the file after, and where the test's copy lives.
struct Scenario {
  ScratchFolder folder;
  std::string path = folder.file("shop.mdb");
  Bytes before = pattern(kOriginalPages * kPage, 1);
  Bytes after;

  Scenario() {
    after = before;
    after.resize(10 * kPage, 0);
    for (const std::uint32_t page : {0u, 2u, 5u, 7u, 8u}) {
      const Bytes image = pattern(kPage, 100 + page);
      std::copy(image.begin(), image.end(), after.begin() + page * kPage);
    }
    reset();
  }
  void reset() const {
    writeWhole(path, before);
    ::unlink(journalPath(path).c_str());
  }
  // Commits the change with `faults`; returns the commit's status.
  Status commitWith(FaultHook* faults) const {
    auto db = openToWrite(path, faults);
    if (!db) return Error{err::kIo, "open failed"};
    WriteTransaction tx(*db, kPage);
    JET_TRY(applyChange(tx));
    return tx.commit();
  }
};

int writesOfOneCommit(const Scenario& s) {
  FaultHook counter = FaultHook::counting();
  EXPECT_TRUE(s.commitWith(&counter));
  s.reset();
  return counter.writes();
}

TEST(WriteTransaction, CommitWritesPagesGrowsAndLeavesNoJournal) {
  Scenario s;
  auto db = openToWrite(s.path);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->recovery(), Recovery::kNone);
  WriteTransaction tx(*db, kPage);
  ASSERT_TRUE(applyChange(tx));
  EXPECT_EQ(tx.pageCount(), 5u);
  EXPECT_EQ(tx.pendingBytes(), 5u * kPage);
  EXPECT_EQ(readWhole(s.path), s.before) << "the file changed before commit";

  ASSERT_TRUE(tx.commit());
  EXPECT_EQ(readWhole(s.path), s.after);
  EXPECT_FALSE(RawFile::exists(journalPath(s.path)));
  EXPECT_EQ(db->size(), 10u * kPage);
  EXPECT_EQ(tx.pageCount(), 0u);
}

TEST(WriteTransaction, ReadsSeeTheTransactionsOwnPages) {
  Scenario s;
  auto db = openToWrite(s.path);
  ASSERT_TRUE(db);
  WriteTransaction tx(*db, kPage);
  ASSERT_TRUE(applyChange(tx));
  Bytes page(kPage);
  for (std::uint32_t n = 0; n < 10; ++n) {
    ASSERT_TRUE(tx.readPage(n, page)) << "page " << n;
    EXPECT_TRUE(std::equal(page.begin(), page.end(), s.after.begin() + n * kPage)) << n;
  }
  EXPECT_FALSE(tx.readPage(10, page));
  ASSERT_TRUE(db->read(2 * kPage, page));  // the file still holds the committed pages
  EXPECT_TRUE(std::equal(page.begin(), page.end(), s.before.begin() + 2 * kPage));
}

TEST(WriteTransaction, RefusesWrongSizedPagesAndShrinking) {
  Scenario s;
  auto db = openToWrite(s.path);
  ASSERT_TRUE(db);
  WriteTransaction tx(*db, kPage);
  EXPECT_FALSE(tx.putPage(1, Bytes(kPage - 1)));
  EXPECT_EQ(tx.setFileLength(kPage).number(), err::kUnsupported);
  ASSERT_TRUE(tx.commit());  // nothing to do: no journal, no change
  EXPECT_EQ(readWhole(s.path), s.before);
}

TEST(WriteTransaction, BatchesCommitOneAfterAnotherAndDroppedOnesChangeNothing) {
  Scenario s;
  auto db = openToWrite(s.path);
  ASSERT_TRUE(db);
  Bytes expected = s.before;
  for (std::uint32_t batch = 0; batch < 3; ++batch) {
    WriteTransaction tx(*db, kPage);
    const Bytes image = pattern(kPage, 50 + batch);
    ASSERT_TRUE(tx.putPage(batch, image));
    ASSERT_TRUE(tx.commit());
    std::copy(image.begin(), image.end(), expected.begin() + batch * kPage);
  }
  {
    WriteTransaction dropped(*db, kPage);
    ASSERT_TRUE(dropped.putPage(4, pattern(kPage, 9)));
  }
  EXPECT_EQ(readWhole(s.path), expected);
}

// After a crash, then a clean opening for writing: old or new, and no journal. While the file is
// neither, a hot journal must be beside it so that readers refuse it.
void expectOldOrNew(const Scenario& s, const std::string& when, bool* sawNew) {
  const Bytes crashed = readWhole(s.path);
  if (crashed != s.before && crashed != s.after) {
    auto hot = hasHotJournal(s.path);
    EXPECT_TRUE(hot.ok() && *hot) << when << ": half-changed file with no hot journal";
  }
  auto db = openToWrite(s.path);
  ASSERT_TRUE(db) << when;
  const Bytes reopened = readWhole(s.path);
  EXPECT_TRUE(reopened == s.before || reopened == s.after) << when;
  EXPECT_FALSE(RawFile::exists(journalPath(s.path))) << when;
  if (reopened == s.after) *sawNew = true;
  EXPECT_TRUE(reopened == s.after || !*sawNew) << when << ": old after new";
}

TEST(WriteTransaction, PowerCutAtEveryWriteLeavesTheOldOrTheNewFile) {
  Scenario s;
  const int writes = writesOfOneCommit(s);
  // header, the originals in one write, 4 runs of pages (7 and 8 together), length, journal
  // deletion
  ASSERT_GE(writes, 8);
  bool sawNew = false;
  for (int n = 0; n <= writes; ++n) {
    FaultHook stop = FaultHook::stopAfter(n);
    const Status commit = s.commitWith(&stop);
    EXPECT_EQ(commit.ok(), n == writes) << "stop after " << n;
    if (!commit.ok()) {
      EXPECT_EQ(commit.number(), err::kInjectedFault) << commit.description();
    }
    expectOldOrNew(s, "stop after write " + std::to_string(n), &sawNew);
    s.reset();
  }
  EXPECT_TRUE(sawNew);
  sawNew = false;
  for (int n = 1; n <= writes; ++n) {
    FaultHook garble = FaultHook::garbleAt(n);
    EXPECT_FALSE(s.commitWith(&garble)) << "garble " << n;
    expectOldOrNew(s, "garble write " + std::to_string(n), &sawNew);
    s.reset();
  }
}

TEST(WriteTransaction, PowerCutDuringRollBackStillRestoresTheOldFile) {
  Scenario s;
  const int writes = writesOfOneCommit(s);
  // Cut the commit in the middle of writing the new pages: the journal is hot.
  const int midCommit = writes - 4;
  FaultHook first = FaultHook::stopAfter(midCommit);
  ASSERT_FALSE(s.commitWith(&first));
  const Bytes halfChanged = readWhole(s.path);
  const Bytes journal = readWhole(journalPath(s.path));
  ASSERT_NE(halfChanged, s.before);
  ASSERT_TRUE(*hasHotJournal(s.path));

  for (int n = 0; n < 12; ++n) {
    FaultHook stop = FaultHook::stopAfter(n);
    FaultHook garble = FaultHook::garbleAt(n + 1);
    for (FaultHook* cut : {&stop, &garble}) {
      writeWhole(s.path, halfChanged);
      writeWhole(journalPath(s.path), journal);
      auto interrupted = PageFile::openForWriting(s.path, cut);
      if (interrupted.ok()) {
        EXPECT_EQ((*interrupted)->recovery(), Recovery::kRolledBack);
        EXPECT_FALSE(RawFile::exists(journalPath(s.path)));
      } else {
        EXPECT_EQ(interrupted.error().number, err::kInjectedFault);
      }
      interrupted = Error{};  // closes the file and drops the lock
      auto db = openToWrite(s.path);
      ASSERT_TRUE(db);
      EXPECT_EQ(readWhole(s.path), s.before) << "rollback cut after write " << n;
    }
  }
}

TEST(WriteTransaction, AFailedCommitThatCannotBeUndoneStopsFurtherChanges) {
  Scenario s;
  FaultHook stop = FaultHook::stopAfter(writesOfOneCommit(s) - 3);
  auto db = openToWrite(s.path, &stop);
  ASSERT_TRUE(db);
  WriteTransaction tx(*db, kPage);
  ASSERT_TRUE(applyChange(tx));
  const Status failed = tx.commit();
  EXPECT_EQ(failed.number(), err::kInjectedFault);
  EXPECT_NE(failed.description().find("next opened for writing"), std::string::npos);
  EXPECT_EQ(tx.pageCount(), 0u);
  ASSERT_TRUE(tx.putPage(1, pattern(kPage, 3)));
  EXPECT_EQ(tx.commit().number(), err::kJournal);
}

TEST(WriteTransaction, KilledProcessIsRolledBackOnNextOpening) {
  Scenario s;
  const int writes = writesOfOneCommit(s);
  const int killAt = writes - 3;  // inside the page writes
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FaultHook hook = FaultHook::counting();
    hook.observer = [killAt](int n) {
      if (n == killAt) ::raise(SIGKILL);
    };
    (void)s.commitWith(&hook);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_TRUE(*hasHotJournal(s.path));
  EXPECT_NE(readWhole(s.path), s.before);

  auto db = openToWrite(s.path);  // the dead process's lock is gone
  ASSERT_TRUE(db);
  EXPECT_EQ(db->recovery(), Recovery::kRolledBack);
  EXPECT_EQ(readWhole(s.path), s.before);
  EXPECT_FALSE(RawFile::exists(journalPath(s.path)));
}

}  // namespace
}  // namespace jet
