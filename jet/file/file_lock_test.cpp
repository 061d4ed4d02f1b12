// file_lock_test.cpp: who may open a database for writing: one writer at a time, in this
// process or another, none while Access's lock file is beside it or the file is read-only.

#include "jet/file/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

using testing::readWhole;
using testing::ScratchFolder;
using testing::writeWhole;

bool mentions(const Error& e, const std::string& text) {
  return e.description.find(text) != std::string::npos;
}

TEST(FileLock, AccessLockFileIsNamedAfterTheDatabase) {
  EXPECT_EQ(accessLockFilePath("/d/Shop.mdb"), "/d/Shop.ldb");
  EXPECT_EQ(accessLockFilePath("/d/Shop.MDE"), "/d/Shop.ldb");
  EXPECT_EQ(accessLockFilePath("/d/Shop.ACCDB"), "/d/Shop.laccdb");
  EXPECT_EQ(accessLockFilePath("/d/Shop.accde"), "/d/Shop.laccdb");
  EXPECT_EQ(accessLockFilePath("/d.v2/Shop"), "/d.v2/Shop.ldb");
  EXPECT_EQ(accessLockFilePath("my.data.mdb"), "my.data.ldb");
}

TEST(FileLock, OneWriterAtATimeInThisProcessAndAnother) {
  ScratchFolder folder;
  const std::string path = folder.file("one.mdb");
  writeWhole(path, std::vector<std::uint8_t>(1024, 7));
  {
    auto first = PageFile::openForWriting(path);
    ASSERT_TRUE(first.ok()) << first.error().description;

    auto second = PageFile::openForWriting(path);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().number, err::kLocked);
    EXPECT_TRUE(mentions(second.error(), path));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto other = PageFile::openForWriting(path);
      ::_exit(!other.ok() && other.error().number == err::kLocked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process could open the file for writing";

    auto reader = RawFile::open(path, RawFile::Mode::kReadOnly);  // readers take no lock
    EXPECT_TRUE(reader.ok());
  }
  EXPECT_TRUE(PageFile::openForWriting(path).ok()) << "the lock outlived its writer";
}

TEST(FileLock, AccessLockFileBesideTheDatabaseRefusesWriting) {
  ScratchFolder folder;
  for (const std::string name : {"shop.mdb", "shop.accdb"}) {
    const std::string path = folder.file(name);
    const std::vector<std::uint8_t> before(1024, 3);
    writeWhole(path, before);
    const std::string lockFile = accessLockFilePath(path);
    writeWhole(lockFile, {});

    auto refused = PageFile::openForWriting(path);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, err::kLocked);
    EXPECT_TRUE(mentions(refused.error(), lockFile));
    EXPECT_EQ(readWhole(path), before);
    EXPECT_FALSE(RawFile::exists(journalPath(path)));

    ASSERT_EQ(::unlink(lockFile.c_str()), 0);
    EXPECT_TRUE(PageFile::openForWriting(path).ok());
  }
}

TEST(FileLock, ReadOnlyFileOrFolderRefusesWriting) {
  if (testing::runningAsRoot()) GTEST_SKIP() << "permissions do not stop root from writing";
  ScratchFolder folder;
  const std::string path = folder.file("ro.mdb");
  writeWhole(path, std::vector<std::uint8_t>(1024, 3));

  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  auto file = PageFile::openForWriting(path);
  ASSERT_FALSE(file.ok());
  EXPECT_EQ(file.error().number, err::kReadOnly);
  EXPECT_TRUE(mentions(file.error(), path));

  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);  // no room for the journal
  auto inFolder = PageFile::openForWriting(path);
  ::chmod(folder.path().c_str(), 0755);
  ASSERT_FALSE(inFolder.ok());
  EXPECT_EQ(inFolder.error().number, err::kReadOnly);
  EXPECT_TRUE(mentions(inFolder.error(), folder.path()));
}

}  // namespace
}  // namespace jet
