// match_options_test.cpp: replace and search with the match options and chosen columns, on a
// new database in a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/program.h"
#include "cli/program_test_support.h"
#include "engine/run_test_support.h"

namespace cli {
namespace {

using namespace engine::testing;

class MatchOptionsTest : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string db = folder.file("shop.mdb");
  std::string log = folder.file("changes.log");

  void SetUp() override {
    NewTable t{"Order Details",
               {{"Ship Name", jet::ColumnType::kText, 40}, {"Note", jet::ColumnType::kText, 40}},
               {{text("Rue de PARIS"), text("paris")},
                {text("Parisien"), text("Paris, paris")},
                {text("Stra\xc3\x9f" "e"), text("x")}}};
    ASSERT_EQ(createDatabase(db, {t}), "");
  }
  using Outcome = testing::ProgramOutcome;
  Outcome run(std::vector<std::string> args) { return testing::runProgram(std::move(args)); }
};

TEST_F(MatchOptionsTest, ReplaceIgnoresCaseInWholeWordsOfTheChosenColumnOnly) {
  Outcome r = run({"replace", db, "--column", "order details.SHIP NAME", "--find", "paris",
                   "--replace", "Lyon", "--ignore-case", "--whole-word", "--log", log});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(readColumn(db, "Order Details", "Ship Name"),
            (std::vector<std::optional<std::string>>{"Rue de Lyon", "Parisien", "Stra\xc3\x9f" "e"}));
  EXPECT_EQ(readColumn(db, "Order Details", "Note")[0], "paris");
}

TEST_F(MatchOptionsTest, RefusalsNameTheFaultAndChangeNothing) {
  auto before = jet::testing::readWhole(db);
  Outcome bad = run({"replace", db, "--all-tables", "--find", "(par", "--replace", "x", "--regex",
                     "--log", log});
  EXPECT_EQ(bad.code, kExitUsage);
  EXPECT_NE(bad.err.find("'(par' at position 4: missing closing parenthesis"), std::string::npos)
      << bad.err;
  Outcome column = run({"search", db, "--column", "Order Details.City", "--find", "x"});
  EXPECT_EQ(column.code, kExitFailure);
  EXPECT_NE(column.err.find("has no column 'City'; its columns are: Ship Name, Note"),
            std::string::npos)
      << column.err;
  EXPECT_EQ(jet::testing::readWhole(db), before);
}

TEST_F(MatchOptionsTest, SearchPrintsOccurrencesOrCountsAndChangesNothing) {
  auto before = jet::testing::readWhole(db);
  Outcome lines = run({"search", db, "--all-tables", "--find", "STRASSE", "--ignore-case"});
  EXPECT_EQ(lines.code, kExitOk) << lines.err;
  // A table without a primary key names its rows by where they lie.
  EXPECT_EQ(lines.out, "Order Details.Ship Name [row at page 52, slot 2]: Stra\xc3\x9f" "e\n");
  Outcome counts = run({"search", db, "--table", "order details", "--find", "p?aris",
                        "--regex", "--ignore-case", "--count", "--json"});
  EXPECT_EQ(counts.code, kExitOk) << counts.err;
  EXPECT_EQ(counts.out,
            "{\"table\":\"Order Details\",\"column\":\"Ship Name\",\"values\":2,\"matches\":2}\n"
            "{\"table\":\"Order Details\",\"column\":\"Note\",\"values\":2,\"matches\":3}\n");
  Outcome json = run({"search", db, "--column", "[Order Details].[Note]", "--find", "paris",
                      "--whole-word", "--json"});
  EXPECT_EQ(json.out,
            "{\"table\":\"Order Details\",\"locator\":{\"page\":52,\"slot\":0},\"column\":\"Note\","
            "\"value\":\"paris\",\"matches\":[{\"start\":0,\"length\":5}]}\n"
            "{\"table\":\"Order Details\",\"locator\":{\"page\":52,\"slot\":1},\"column\":\"Note\","
            "\"value\":\"Paris, paris\",\"matches\":[{\"start\":7,\"length\":5}]}\n");
  EXPECT_EQ(jet::testing::readWhole(db), before);
}

TEST_F(MatchOptionsTest, ManyFilesGoOnPastABrokenOneAndEachChangesAsAlone) {
  const std::string many = folder.file("many");
  std::filesystem::create_directories(many + "/deeper");
  const std::vector<std::string> copies = {many + "/a.mdb", many + "/b.MDB", many + "/deeper/c.mdb",
                                           many + "/deeper/d.mdb"};
  for (const std::string& copy : copies) std::filesystem::copy_file(db, copy);
  std::ofstream(many + "/broken.mdb") << "not a database";
  Outcome r = run({"replace", "--recursive", many, "-j", "2", "--all-tables", "--find", "paris",
                   "--replace", "Nice", "--ignore-case", "--whole-word", "--log", log});
  EXPECT_EQ(r.code, kExitFailure) << r.err;
  EXPECT_NE(r.err.find(many + "/broken.mdb: "), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(many + "/broken.mdb: exit 1\n"), std::string::npos) << r.out;
  Outcome alone = run({"replace", db, "--all-tables", "--find", "paris", "--replace", "Nice",
                       "--ignore-case", "--whole-word", "--log", log});
  ASSERT_EQ(alone.code, kExitOk) << alone.err;
  for (const std::string& copy : copies) {
    EXPECT_NE(r.out.find(copy + ": ok\n"), std::string::npos) << r.out;
    for (const char* column : {"Ship Name", "Note"}) {
      EXPECT_EQ(readColumn(copy, "Order Details", column), readColumn(db, "Order Details", column));
    }
  }
  EXPECT_EQ(readColumn(db, "Order Details", "Note")[1], "Nice, Nice");
}

}  // namespace
}  // namespace cli
