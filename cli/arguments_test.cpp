// arguments_test.cpp: splitting a command's words: options with and without values, "--", help,
// and the errors that name the word at fault.
#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

const AcceptedArguments kAccepted{{"FILE", "TABLE"}, {{"password", true}, {"all", false}}};

jet::Result<Arguments> parse(std::vector<std::string> words) {
  return parseArguments(words, kAccepted);
}

TEST(ParseArguments, PositionalsAndOptionsInAnyOrder) {
  auto a = parse({"--password", "p w", "db.mdb", "--all", "T1"});
  ASSERT_TRUE(a.ok()) << a.error().description;
  EXPECT_EQ(a->positional, (std::vector<std::string>{"db.mdb", "T1"}));
  EXPECT_EQ(a->value("password"), "p w");
  EXPECT_TRUE(a->flag("all"));
  EXPECT_FALSE(a->help);

  auto b = parse({"db.mdb", "T1", "--password=a=b"});
  ASSERT_TRUE(b.ok());
  EXPECT_EQ(b->value("password"), "a=b");
  EXPECT_FALSE(b->flag("all"));
  EXPECT_EQ(b->value("format", "json"), "json");
}

TEST(ParseArguments, DoubleDashAndSingleDashArePositional) {
  auto a = parse({"--", "--all", "-"});
  ASSERT_TRUE(a.ok()) << a.error().description;
  EXPECT_EQ(a->positional, (std::vector<std::string>{"--all", "-"}));
  EXPECT_FALSE(a->flag("all"));
}

TEST(ParseArguments, HelpSkipsTheArgumentChecks) {
  for (const char* word : {"--help", "-h"}) {
    auto a = parse({word});
    ASSERT_TRUE(a.ok());
    EXPECT_TRUE(a->help);
  }
}

TEST(ParseArguments, ErrorsNameTheWordAtFault) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"db.mdb", "T", "--colour"}, "unknown option --colour"},
      {{"db.mdb", "T", "--colour=red"}, "unknown option --colour"},
      {{"db.mdb", "T", "-x"}, "unknown option -x"},
      {{"db.mdb", "T", "--password"}, "option --password needs a value"},
      {{"db.mdb", "T", "--all=yes"}, "option --all takes no value"},
      {{"db.mdb"}, "missing TABLE"},
      {{}, "missing FILE"},
      {{"db.mdb", "T", "extra"}, "unexpected argument \"extra\""},
  };
  for (const auto& [words, message] : cases) {
    auto a = parse(words);
    ASSERT_FALSE(a.ok()) << message;
    EXPECT_EQ(a.error().description, message);
  }
}

}  // namespace
}  // namespace cli
