// file_exists_test.cpp: the existence test answers, never fails, and leaves errno alone.
#include "db/file_exists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "jet/core/test_scratch_folder.h"

namespace db {
namespace {

TEST(FileExists, PresentEntriesAnswerTrueWhateverTheirAttributes) {
  jet::testing::ScratchFolder folder;
  std::string file = folder.file(".hidden.mdb");
  std::ofstream(file) << "x";
  ::chmod(file.c_str(), 0444);
  EXPECT_TRUE(fileExists(file));
  EXPECT_TRUE(fileExists(folder.path()));  // a folder has a last-modified time too
}

TEST(FileExists, AnyFailureAnswersFalseAndLeavesNothingBehind) {
  jet::testing::ScratchFolder folder;
  errno = 0;
  EXPECT_FALSE(fileExists(""));
  EXPECT_FALSE(fileExists(folder.file("missing.mdb")));
  EXPECT_FALSE(fileExists(folder.file("no/such/folder/x.mdb")));
  EXPECT_FALSE(fileExists(std::string("bad\0path", 8)));
  EXPECT_FALSE(fileExists(std::string(5000, 'a')));
  EXPECT_EQ(errno, 0);
}

}  // namespace
}  // namespace db
