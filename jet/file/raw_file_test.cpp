// raw_file_test.cpp: positioned I/O, errors that name the file, and the fault hook's cuts.

#include "jet/file/raw_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"

namespace jet {
namespace {

using testing::readWhole;
using testing::ScratchFolder;
using testing::writeWhole;

TEST(RawFile, PagesGrowTheFileAndReadsPastTheEndAreCaught) {
  ScratchFolder folder;
  const std::string path = folder.file("a.mdb");
  writeWhole(path, std::vector<std::uint8_t>(16, 0xAA));
  auto file = RawFile::open(path, RawFile::Mode::kReadWrite);
  ASSERT_TRUE(file.ok()) << file.error().description;

  const std::vector<std::uint8_t> page(16, 0x5B);
  ASSERT_TRUE(file->writePage(2, page));
  EXPECT_EQ(*file->size(), 48u);
  std::vector<std::uint8_t> out(16);
  ASSERT_TRUE(file->readPage(1, out));
  EXPECT_EQ(out, std::vector<std::uint8_t>(16, 0));  // the hole reads as zeroes
  ASSERT_TRUE(file->readPage(2, out));
  EXPECT_EQ(out, page);

  Status past = file->readPage(3, out);
  EXPECT_EQ(past.number(), err::kTruncated);
  EXPECT_NE(past.description().find(path), std::string::npos);
  std::vector<std::uint8_t> straddling(8, 0xFF);
  EXPECT_EQ(*file->readUpTo(44, straddling), 4u);
  EXPECT_EQ(straddling, (std::vector<std::uint8_t>{0x5B, 0x5B, 0x5B, 0x5B, 0, 0, 0, 0}));

  ASSERT_TRUE(file->truncate(20));
  ASSERT_TRUE(file->sync());
  EXPECT_EQ(readWhole(path).size(), 20u);
}

TEST(RawFile, OpeningFailuresNameTheFile) {
  ScratchFolder folder;
  const std::string missing = folder.file("missing.mdb");
  auto none = RawFile::open(missing, RawFile::Mode::kReadOnly);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error().number, err::kIo);
  EXPECT_NE(none.error().description.find(missing), std::string::npos);

  const std::string existing = folder.file("x.mdb");
  writeWhole(existing, {1, 2, 3});
  EXPECT_FALSE(RawFile::open(existing, RawFile::Mode::kCreateNew).ok());
  EXPECT_FALSE(RawFile::open(folder.path(), RawFile::Mode::kReadOnly).ok());  // a folder

  auto reading = RawFile::open(existing, RawFile::Mode::kReadOnly);
  ASSERT_TRUE(reading.ok());
  const std::vector<std::uint8_t> bytes{9};
  EXPECT_EQ(reading->write(0, bytes).number(), err::kIo);
  EXPECT_EQ(readWhole(existing), (std::vector<std::uint8_t>{1, 2, 3}));

  if (testing::runningAsRoot()) GTEST_SKIP() << "permissions do not stop root from writing";
  ::chmod(existing.c_str(), 0444);
  auto denied = RawFile::open(existing, RawFile::Mode::kReadWrite);
  ASSERT_FALSE(denied.ok());
  EXPECT_EQ(denied.error().number, err::kReadOnly);
  EXPECT_NE(denied.error().description.find(existing), std::string::npos);
}

TEST(RawFile, FaultHookStopsOrGarblesAndThenEverythingFails) {
  ScratchFolder folder;
  const std::string path = folder.file("f.mdb");
  writeWhole(path, std::vector<std::uint8_t>(8, 0));
  const std::vector<std::uint8_t> ones(8, 1);

  FaultHook stop = FaultHook::stopAfter(1);
  {
    auto file = RawFile::open(path, RawFile::Mode::kReadWrite, &stop);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(file->write(0, ones));
    EXPECT_EQ(file->write(8, ones).number(), err::kInjectedFault);
    EXPECT_EQ(file->truncate(0).number(), err::kInjectedFault);
    EXPECT_EQ(file->sync().number(), err::kInjectedFault);
    EXPECT_FALSE(file->size().ok());
  }
  EXPECT_EQ(readWhole(path), ones);

  FaultHook garble = FaultHook::garbleAt(1);
  auto file = RawFile::open(path, RawFile::Mode::kReadWrite, &garble);
  ASSERT_TRUE(file.ok());
  const std::vector<std::uint8_t> twos(8, 2);
  EXPECT_EQ(file->write(0, twos).number(), err::kInjectedFault);
  EXPECT_EQ(readWhole(path), (std::vector<std::uint8_t>{2, 2, 2, 2, 1, 1, 1, 1}));
  EXPECT_EQ(RawFile::remove(path, &garble).number(), err::kInjectedFault);
  EXPECT_TRUE(RawFile::exists(path));
  EXPECT_EQ(garble.writes(), 1);  // nothing is counted once dead
}

}  // namespace
}  // namespace jet
