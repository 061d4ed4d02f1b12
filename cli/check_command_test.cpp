// check_command_test.cpp: "check" on a sound corpus file, a damaged copy and a missing file.
#include "cli/check_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "jet/core/test_scratch_folder.h"

namespace cli {
namespace {

struct CheckRun {
  int status;
  std::string out;
  std::string err;
};

CheckRun check(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CommandContext context{out, err, {}};
  int status = CheckCommand().execute(args, context);
  return {status, out.str(), err.str()};
}

const std::string kFile = std::string(FIELDMEND_CORPUS_DIR) + "/jackcess/V2003/test2V2003.mdb";

TEST(CheckCommand, SoundFileHasNoProblems) {
  CheckRun r = check({kFile});
  EXPECT_EQ(r.status, kExitOk) << r.out << r.err;
  EXPECT_NE(r.out.find("no problems found"), std::string::npos);
}

TEST(CheckCommand, DamagedCopyListsProblemsAndFails) {
  jet::testing::ScratchFolder folder;
  const std::filesystem::path copy = folder.file("damaged.mdb");
  std::filesystem::copy_file(kFile, copy);
  {
    std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> page1(4096);
    f.seekg(4096);
    f.read(page1.data(), 4096);
    auto at = static_cast<std::size_t>(
        (static_cast<unsigned char>(page1[14]) | (static_cast<unsigned char>(page1[15]) << 8)) &
        0x1FFF);
    for (std::size_t i = at + 5; i < 4096; ++i) page1[i] = static_cast<char>(0xFF);  // all "free"
    f.seekp(4096);
    f.write(page1.data(), 4096);
  }
  CheckRun r = check({copy.string()});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.out.find("marked free in the global map"), std::string::npos) << r.out;
}

TEST(CheckCommand, MissingFileIsAnErrorNamingIt) {
  CheckRun r = check({"/nonexistent/none.mdb"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("/nonexistent/none.mdb"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace cli
