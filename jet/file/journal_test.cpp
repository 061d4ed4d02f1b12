// journal_test.cpp: what counts as a hot journal, and what opening a database (to write or to
// read) does with a journal that is complete, cut short, damaged or of a newer layout.

#include "jet/file/journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

using testing::pattern;
using testing::readWhole;
using testing::ScratchFolder;
using testing::writeWhole;

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kPage = 512;

// A database of four pages, a complete journal of pages 1 and 3, and the database as an
// interrupted commit left it: pages 1 and 3 overwritten, grown by two pages.
struct Interrupted {
  ScratchFolder folder;
  std::string path = folder.file("orders.accdb");
  std::string journal = journalPath(path);
  Bytes before = pattern(4 * kPage, 7);
  Bytes halfChanged;
  Bytes journalBytes;

  Interrupted() {
    writeWhole(path, before);
    {
      auto database = RawFile::open(path, RawFile::Mode::kReadOnly);
      auto writer = JournalWriter::create(path, kPage, before.size(), 2);
      EXPECT_TRUE(writer.ok());
      for (const std::uint32_t page : {1u, 3u}) {
        Bytes original(kPage);
        EXPECT_TRUE(database->readPage(page, original));
        EXPECT_TRUE(writer->append(page, original));
      }
      EXPECT_TRUE(writer->finish());
    }
    halfChanged = before;
    halfChanged.resize(6 * kPage, 0xEE);
    std::fill(halfChanged.begin() + kPage, halfChanged.begin() + 2 * kPage, 0xEE);
    writeWhole(path, halfChanged);
    journalBytes = readWhole(journal);
  }
  Result<std::unique_ptr<PageFile>> open() const { return PageFile::openForWriting(path); }
  Result<std::unique_ptr<PageFile>> openToRead() const { return PageFile::openForReading(path); }
};

// Opening to read rolls back as opening to write does, before anything is read.
TEST(Journal, ACompleteJournalIsHotAndRollsTheFileBack) {
  for (const bool toRead : {false, true}) {
    Interrupted s;
    EXPECT_EQ(s.journal, s.path + "-journal");
    EXPECT_EQ(s.journalBytes.size(), 64u + 2 * (8 + kPage));
    EXPECT_TRUE(*hasHotJournal(s.path));

    auto opened = toRead ? s.openToRead() : s.open();
    ASSERT_TRUE(opened.ok()) << opened.error().description;
    EXPECT_EQ((*opened)->recovery(), Recovery::kRolledBack);
    EXPECT_EQ((*opened)->size(), s.before.size());
    EXPECT_EQ(readWhole(s.path), s.before);
    EXPECT_FALSE(RawFile::exists(s.journal));
    EXPECT_FALSE(*hasHotJournal(s.path));
  }
}

// A journal cut anywhere was never finished, so the database was never touched: it is
// discarded and the database kept as it is.
TEST(Journal, AJournalCutShortIsDiscardedWithoutTouchingTheDatabase) {
  Interrupted s;
  for (std::size_t length = 0; length < s.journalBytes.size(); length += 37) {
    writeWhole(s.path, s.before);
    writeWhole(s.journal, Bytes(s.journalBytes.begin(),
                                s.journalBytes.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_FALSE(*hasHotJournal(s.path)) << "cut at " << length;
    auto opened = s.open();
    ASSERT_TRUE(opened.ok()) << opened.error().description;
    EXPECT_EQ((*opened)->recovery(), Recovery::kDiscardedIncomplete) << "cut at " << length;
    EXPECT_EQ(readWhole(s.path), s.before);
    EXPECT_FALSE(RawFile::exists(s.journal));
  }
}

TEST(Journal, ADamagedHeaderOrEntryMakesTheJournalIncomplete) {
  Interrupted s;
  for (const std::size_t offset : {std::size_t{0}, std::size_t{20}, std::size_t{64 + 3},
                                   std::size_t{64 + 8 + 100}, s.journalBytes.size() - 1}) {
    Bytes damaged = s.journalBytes;
    damaged[offset] ^= 0x01;
    writeWhole(s.journal, damaged);
    EXPECT_FALSE(*hasHotJournal(s.path)) << "byte " << offset;
  }
  Bytes swapped = s.journalBytes;  // an entry moved to another page fails its checksum
  swapped[64] = 2;
  writeWhole(s.journal, swapped);
  EXPECT_FALSE(*hasHotJournal(s.path));
}

TEST(Journal, ANewerJournalLayoutIsLeftAloneAndWritingRefused) {
  Interrupted s;
  Bytes newer = s.journalBytes;
  newer[8] = 2;
  writeWhole(s.journal, newer);
  EXPECT_FALSE(hasHotJournal(s.path).ok());
  auto opened = s.open();
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.error().number, err::kJournal);
  EXPECT_NE(opened.error().description.find(s.journal), std::string::npos);
  EXPECT_EQ(readWhole(s.path), s.halfChanged);
  EXPECT_EQ(readWhole(s.journal), newer);
}

TEST(Journal, AJournalThatCannotBePlayedBackLeavesBothFilesAlone) {
  Interrupted s;
  writeWhole(accessLockFilePath(s.path), {});
  auto locked = s.open();
  ASSERT_FALSE(locked.ok());
  EXPECT_EQ(locked.error().number, err::kLocked);
  EXPECT_NE(locked.error().description.find("interrupted"), std::string::npos);
  auto reading = s.openToRead();  // nor is a half-changed file shown to a reader
  ASSERT_FALSE(reading.ok());
  EXPECT_EQ(reading.error().number, err::kJournal);
  EXPECT_NE(reading.error().description.find(s.path), std::string::npos);
  EXPECT_EQ(readWhole(s.path), s.halfChanged);
  EXPECT_EQ(readWhole(s.journal), s.journalBytes);
  ::unlink(accessLockFilePath(s.path).c_str());

  if (testing::runningAsRoot()) GTEST_SKIP() << "permissions do not stop root from writing";
  ::chmod(s.path.c_str(), 0444);
  auto readOnly = s.open();
  ASSERT_FALSE(readOnly.ok());
  EXPECT_EQ(readOnly.error().number, err::kReadOnly);
  EXPECT_NE(readOnly.error().description.find("interrupted"), std::string::npos);
  EXPECT_EQ(readWhole(s.path), s.halfChanged);
  EXPECT_EQ(readWhole(s.journal), s.journalBytes);
}

TEST(Journal, AnExistingJournalIsNeverOverwritten) {
  Interrupted s;
  auto second = JournalWriter::create(s.path, kPage, s.before.size(), 1);
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(readWhole(s.journal), s.journalBytes);
}

TEST(Journal, TheJournalGetsNoMorePermissionsThanTheDatabase) {
  ScratchFolder folder;
  const std::string path = folder.file("private.mdb");
  writeWhole(path, Bytes(kPage, 1));
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  auto writer = JournalWriter::create(path, kPage, kPage, 0);
  ASSERT_TRUE(writer.ok());
  struct stat journal {};
  ASSERT_EQ(::stat(journalPath(path).c_str(), &journal), 0);
  EXPECT_EQ(journal.st_mode & 0777u, 0600u);
}

}  // namespace
}  // namespace jet
