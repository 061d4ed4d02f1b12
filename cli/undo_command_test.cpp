// undo_command_test.cpp: replace names each change's row by its key; its undo file is written
// beside the change log unless told otherwise, and for a protected database only when asked
// for; undo puts the values back, lists cells changed since, and refuses another database.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "cli/program.h"
#include "cli/program_test_support.h"
#include "engine/run_test_support.h"

namespace cli {
namespace {

using namespace engine::testing;

class UndoCommandTest : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string db = folder.file("shop.mdb");
  std::string log = folder.file("changes.log");
  std::string undoFile = folder.file("fieldmend-undo-20261208-140509.undo");

  void SetUp() override {
    jet::CreateOptions options;
    options.templatePath =
        std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/empty-jet4.mdb";
    auto creator = jet::DatabaseCreator::create(db, options);
    ASSERT_TRUE(creator.ok());
    jet::TableSpec t{"Customers",
                     {{"ID", jet::ColumnType::kLong}, {"City", jet::ColumnType::kText, 20}},
                     {{"PrimaryKey", {{"ID"}}, true}}};
    ASSERT_TRUE((*creator)->addTable(t).ok());
    int id = 7;
    for (const char* city : {"Paris", "Lyon", "Pau"}) {
      ASSERT_TRUE((*creator)->insertRow({number(id++), text(city)}).ok());
    }
    ASSERT_TRUE((*creator)->finish().ok());
  }

  using Outcome = testing::ProgramOutcome;
  Outcome run(std::vector<std::string> args) { return testing::runProgram(std::move(args)); }
  Outcome replace(std::vector<std::string> more = {}) {
    std::vector<std::string> args{"replace", db, "--all-tables", "--find", "P", "--replace", "B",
                                  "--log", log};
    args.insert(args.end(), more.begin(), more.end());
    return run(args);
  }
  std::vector<std::optional<std::string>> cities() { return readColumn(db, "Customers", "City"); }
};

TEST_F(UndoCommandTest, ADryRunNamesEachRowByItsKey) {
  Outcome text = replace({"--dry-run"});
  EXPECT_NE(text.out.find("would change Customers.City [ID=9]: \"Pau\" -> \"Bau\"\n"),
            std::string::npos)
      << text.out;
  Outcome json = replace({"--dry-run", "--json"});
  EXPECT_NE(json.out.find("{\"change\":{\"table\":\"Customers\",\"key\":{\"ID\":\"7\"},"
                          "\"column\":\"City\",\"old\":\"Paris\",\"new\":\"Baris\"}}\n"),
            std::string::npos)
      << json.out;
  EXPECT_FALSE(std::filesystem::exists(undoFile));
}

TEST_F(UndoCommandTest, UndoPutsBackWhatTheRunChangedAndLeavesLaterEditsAlone) {
  Outcome r = replace();
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("Undo file: " + undoFile), std::string::npos) << r.out;
  struct stat st {};
  ASSERT_EQ(::stat(undoFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // Another program's edit of one of the changed cells.
  ASSERT_EQ(run({"sql", db, "update [Customers] set [City] = 'Bayonne' where [City] = 'Bau'"}).code,
            kExitOk);

  Outcome undo = run({"undo", db, undoFile, "--log", log});
  EXPECT_EQ(undo.code, kExitFailure);
  EXPECT_NE(undo.out.find("left alone Customers.City [ID=9]: changed since the run, it holds "
                          "\"Bayonne\", not \"Bau\""),
            std::string::npos)
      << undo.out;
  EXPECT_NE(undo.out.find("1 value was put back of 2 recorded."), std::string::npos) << undo.out;
  EXPECT_EQ(cities(), (std::vector<std::optional<std::string>>{"Paris", "Lyon", "Bayonne"}));

  Outcome again = run({"undo", db, undoFile, "--log", log, "--json"});
  EXPECT_NE(again.out.find("\"putBack\":0,\"alreadyBack\":1,\"changedSince\":1"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(cities(), (std::vector<std::optional<std::string>>{"Paris", "Lyon", "Bayonne"}));

  const std::string other = folder.file("other.mdb");
  std::filesystem::copy_file(db, other);
  Outcome wrong = run({"undo", other, undoFile});
  EXPECT_EQ(wrong.code, kExitFailure);
  EXPECT_NE(wrong.err.find(undoFile), std::string::npos) << wrong.err;
  EXPECT_NE(wrong.err.find(db), std::string::npos) << wrong.err;
  EXPECT_NE(wrong.err.find(other), std::string::npos) << wrong.err;
}

TEST_F(UndoCommandTest, TheUndoFileIsOptionalAndForAProtectedDatabaseAskedFor) {
  ASSERT_EQ(replace({"--no-undo"}).code, kExitOk);
  EXPECT_FALSE(std::filesystem::exists(undoFile));
  // A chosen path that exists is refused before anything changes.
  const auto before = jet::testing::readWhole(db);
  Outcome taken = replace({"--undo-file", log});
  EXPECT_EQ(taken.code, kExitFailure);
  EXPECT_NE(taken.err.find(log), std::string::npos);
  EXPECT_EQ(jet::testing::readWhole(db), before);

  const std::string locked = folder.file("locked.mdb");
  std::filesystem::copy_file(
      std::string(FIELDMEND_CORPUS_DIR) + "/mdb-reader/password/V2000_with-password.mdb", locked);
  std::vector<std::string> args{"replace", locked, "--password", "password", "--all-tables",
                                "--find", "e", "--replace", "E", "--log", log};
  Outcome quiet = run(args);
  EXPECT_NE(quiet.out.find("No undo file was written"), std::string::npos) << quiet.out;
  EXPECT_FALSE(std::filesystem::exists(undoFile));
  args[6] = "E";  // back again, this time with an undo file
  args[8] = "e";
  args.insert(args.end(), {"--undo-file", folder.file("locked.undo")});
  Outcome asked = run(args);
  EXPECT_NE(asked.out.find("Undo file: " + folder.file("locked.undo")), std::string::npos)
      << asked.out << asked.err;
}

}  // namespace
}  // namespace cli
