// set_file_test.cpp: writing set files (bytes, overwrite question, failures that must leave the
// earlier file alone), the whole-file reader, and loading with separators and line ends of all
// kinds. Every test works in a fresh temporary folder.

#include "sets/set_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sets/fake_prompter.h"

namespace sets {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SetFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "set_file_test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  static void writeBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  static std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Loads `bytes` as a set file with `separator` into a fresh list.
  std::vector<ReplacementSet> load(const std::string& bytes, const std::string& separator) {
    const std::string file = path("load.txt");
    writeBytes(file, bytes);
    SetList list;
    EXPECT_TRUE(loadSetFile(file, separator, list).ok());
    return list.all();
  }
  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  fs::path dir_;
  FakePrompter prompter_;
};

SetList listOf(const std::vector<ReplacementSet>& items) {
  SetList list;
  EXPECT_TRUE(list.appendAll(items).ok());
  return list;
}

TEST_F(SetFileTest, WritesFindSeparatorReplaceWithCrLfAndLoadsBackTheSameSets) {
  const std::string gruesse = "Gr\xC3\xBC\xC3\x9F" + std::string("e");
  const std::vector<ReplacementSet> items = {
      {"hi", "hello"}, {"", "empty find"}, {" spaced ", ""}, {gruesse, "\xE6\x97\xA5"}};
  const std::string file = path("sets.txt");
  ASSERT_EQ(writeSetFile(file, listOf(items), prompter_).value(), SaveOutcome::kSaved);
  EXPECT_EQ(readBytes(file),
            "hi::hello\r\n::empty find\r\n spaced ::\r\n" + gruesse + "::\xE6\x97\xA5\r\n");
  EXPECT_TRUE(prompter_.shown.empty()) << "a new file needs no question and no confirmation";

  SetList loaded;
  ASSERT_TRUE(loadSetFile(file, "::", loaded).ok());
  EXPECT_EQ(loaded.all(), items);
}

TEST_F(SetFileTest, EmptyListGivesZeroBytesWhichLoadAsTheEmptyFileMarker) {
  const std::string file = path("none");  // no extension: used as typed
  ASSERT_TRUE(writeSetFile(file, SetList(), prompter_).ok());
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);

  const Result<FileText> read = readWholeFile(file);
  ASSERT_TRUE(read.ok());
  EXPECT_TRUE(read->isEmptyFileMarker);
  EXPECT_EQ(read->text, "empty file");
  SetList list = listOf({{"kept", "set"}});
  ASSERT_TRUE(loadSetFile(file, "::", list).ok());
  EXPECT_EQ(list.count(), 1);
}

TEST_F(SetFileTest, OverwriteQuestionNoLeavesTheFileAndYesReplacesIt) {
  const std::string file = path("old.txt");
  writeBytes(file, "old::content\r\n");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  prompter_.yesNoAnswers = {false, true};
  const SetList list = listOf({{"new", "set"}});

  ASSERT_EQ(writeSetFile(file, list, prompter_).value(), SaveOutcome::kDeclined);
  EXPECT_EQ(readBytes(file), "old::content\r\n");
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0], "Are you sure you wish to overwrite " + file + " ?");

  ASSERT_EQ(writeSetFile(file, list, prompter_).value(), SaveOutcome::kSaved);
  EXPECT_EQ(readBytes(file), "new::set\r\n");
  EXPECT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"old.txt"}) << "no temporary file left";
}

TEST_F(SetFileTest, SavingThroughALinkReplacesTheLinkedFile) {
  const std::string file = path("real.txt");
  const std::string link = path("link.txt");
  writeBytes(file, "old::x\r\n");
  fs::create_symlink(file, link);
  prompter_.yesNoAnswers = {true};
  ASSERT_TRUE(writeSetFile(link, listOf({{"a", "b"}}), prompter_).ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readBytes(file), "a::b\r\n");
}

TEST_F(SetFileTest, SaveFailuresNameThePathAndLeaveNothingBehind) {
  const SetList list = listOf({{"a", "b"}});
  const Result<SaveOutcome> toFolder = writeSetFile(dir_.string(), list, prompter_);
  ASSERT_FALSE(toFolder.ok());
  EXPECT_EQ(toFolder.error().number, err::kNotAFile);
  EXPECT_NE(toFolder.error().description.find(dir_.string()), std::string::npos);
  EXPECT_TRUE(prompter_.shown.empty()) << "no overwrite question for a folder";

  const std::string missing = path("no/such/folder/sets.txt");
  const Result<SaveOutcome> noFolder = writeSetFile(missing, list, prompter_);
  ASSERT_FALSE(noFolder.ok());
  EXPECT_EQ(noFolder.error().number, err::kFileIo);
  EXPECT_NE(noFolder.error().description.find(missing), std::string::npos);

  EXPECT_EQ(writeSetFile("", list, prompter_).error().number, err::kEmptyInput);
  EXPECT_TRUE(folderEntries().empty());
}

TEST_F(SetFileTest, ReadOnlyFileIsRefusedBeforeTheQuestion) {
  const SetList list = listOf({{"a", "b"}});
  const std::string readOnly = path("read-only.txt");
  writeBytes(readOnly, "keep::me\r\n");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  if (::access(readOnly.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights to write all";
  prompter_.yesNoAnswers = {true};
  EXPECT_EQ(writeSetFile(readOnly, list, prompter_).error().number, err::kFileIo);
  EXPECT_EQ(readBytes(readOnly), "keep::me\r\n");
  EXPECT_TRUE(prompter_.shown.empty()) << "no question whose Yes could not be carried out";
}

TEST_F(SetFileTest, ReplaceTextHoldingTheSeparatorIsSavedAsIsAndCutOnLoad) {
  const std::string file = path("colons.txt");
  ASSERT_TRUE(writeSetFile(file, listOf({{"a", "b::c"}}), prompter_).ok());
  EXPECT_EQ(readBytes(file), "a::b::c\r\n");
  SetList list;
  ASSERT_TRUE(loadSetFile(file, "::", list).ok());
  EXPECT_EQ(list.all(), (std::vector<ReplacementSet>{{"a", "b"}}));
}

TEST_F(SetFileTest, LineEndsLfAndCrLfAlikeWhileLoneCrJoinsLines) {
  const std::vector<ReplacementSet> two = {{"a", "1"}, {"b", "2"}};
  EXPECT_EQ(load("a::1\nb::2\n", "::"), two);
  EXPECT_EQ(load("a::1\r\nb::2\r\n", "::"), two);
  EXPECT_EQ(load("a::1\r\nb::2", "::"), two) << "last line without an end";
  EXPECT_EQ(load("a::1\rb::2\r", "::"), (std::vector<ReplacementSet>{{"a", "1b"}}));
  EXPECT_EQ(load("a\r::1\n", "::"), (std::vector<ReplacementSet>{{"a", "1"}}));
}

TEST_F(SetFileTest, BlankLinesAndLinesWithoutTheSeparatorAddNothing) {
  EXPECT_EQ(load("\n\r\n \nno separator\na:b\nx::y\n\n", "::"),
            (std::vector<ReplacementSet>{{"x", "y"}}));
  EXPECT_TRUE(load("\n\n\n", "::").empty());
}

TEST_F(SetFileTest, SeparatorsOfAnyLengthAreMatchedExactly) {
  const std::string file = "hi,hello\npeter,pete\n";
  EXPECT_EQ(load(file, ","), (std::vector<ReplacementSet>{{"hi", "hello"}, {"peter", "pete"}}));
  EXPECT_TRUE(load(file, "::").empty());
  EXPECT_EQ(load("a :: b\nc::d\n", " :: "), (std::vector<ReplacementSet>{{"a", "b"}}));
  EXPECT_EQ(load("x\t=>\ty\n", "\t=>\t"), (std::vector<ReplacementSet>{{"x", "y"}}));
}

TEST_F(SetFileTest, LoadsEveryEncodingAFileMayCome) {
  const std::vector<ReplacementSet> cafe = {{"caf\xC3\xA9", "\xE2\x82\xAC"}};
  const std::string utf16 = "c\0a\0f\0\xE9\0:\0:\0\xAC\x20\r\0\n\0"s;
  EXPECT_EQ(load("\xFF\xFE" + utf16, "::"), cafe)
      << "UTF-16 LE; the mark must not reach the first find text";
  const std::string utf8 = "caf\xC3\xA9::\xE2\x82\xAC\r\n";
  EXPECT_EQ(load("\xEF\xBB\xBF" + utf8, "::"), cafe) << "UTF-8 + mark";
  EXPECT_EQ(load("caf\xC3\xA9::\xE2\x82\xAC\r\n", "::"), cafe) << "UTF-8";
  EXPECT_EQ(load("caf\xE9::\x80\r\n", "::"), cafe) << "Windows-1252";
}

TEST_F(SetFileTest, LoadingAppendsAfterExistingSetsAndTwiceGivesEachSetTwice) {
  const std::string file = path("twice.txt");
  writeBytes(file, "a::1\nb::2\n");
  SetList list = listOf({{"first", "set"}});
  ASSERT_TRUE(loadSetFile(file, "::", list).ok());
  ASSERT_TRUE(loadSetFile(file, "::", list).ok());
  EXPECT_EQ(list.all(), (std::vector<ReplacementSet>{
                            {"first", "set"}, {"a", "1"}, {"b", "2"}, {"a", "1"}, {"b", "2"}}));
}

TEST_F(SetFileTest, MissingFileAddsNothingWhileFoldersAndEmptySeparatorsAreRefused) {
  SetList list;
  ASSERT_TRUE(loadSetFile(path("absent.txt"), "::", list).ok());
  const Result<FileText> absent = readWholeFile(path("absent.txt"));
  ASSERT_TRUE(absent.ok());
  EXPECT_EQ(absent->text, "");
  EXPECT_FALSE(absent->isEmptyFileMarker);

  const Status folder = loadSetFile(dir_.string(), "::", list);
  EXPECT_EQ(folder.number(), err::kNotAFile);
  EXPECT_NE(folder.description().find(dir_.string()), std::string::npos);

  writeBytes(path("sets.txt"), "a::b\n");
  EXPECT_EQ(loadSetFile(path("sets.txt"), "", list).number(), err::kEmptyInput);
  EXPECT_TRUE(list.empty());
}

TEST_F(SetFileTest, UnreadableFileIsAnErrorNamingIt) {
  const std::string file = path("locked.txt");
  writeBytes(file, "a::b\n");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  if (::access(file.c_str(), R_OK) == 0) GTEST_SKIP() << "running with rights to read anything";
  SetList list;
  const Status locked = loadSetFile(file, "::", list);
  EXPECT_EQ(locked.number(), err::kFileIo);
  EXPECT_NE(locked.description().find(file), std::string::npos);
  EXPECT_TRUE(list.empty());
}

TEST_F(SetFileTest, MoreSetsThanTheListTakesAddsNone) {
  std::string many;
  for (int i = 0; i < 10; ++i) many += "x::y\n";
  const std::string file = path("many.txt");
  writeBytes(file, many);
  SetList list;
  ASSERT_TRUE(
      list.appendAll(std::vector<ReplacementSet>(SetList::kCapacity - 5, ReplacementSet{})).ok());
  const Status full = loadSetFile(file, "::", list);
  EXPECT_EQ(full.number(), err::kListFull);
  EXPECT_NE(full.description().find(file), std::string::npos);
  EXPECT_EQ(list.count(), SetList::kCapacity - 5);
}

}  // namespace
}  // namespace sets
