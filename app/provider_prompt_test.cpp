// provider_prompt_test.cpp: the check answers true exactly when the engine can be created; the
// missing-provider question and the download pages are reached through an injected failure.

#include "app/provider_prompt.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/error_report.h"

namespace app {
namespace {

struct FakeQuestion : QuestionBox {
  std::deque<bool> answers;
  std::vector<std::string> asked;
  bool askYesNo(const std::string& question) override {
    asked.push_back(question);
    const bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return yes;
  }
};

struct FakeOpener : UrlOpener {
  std::vector<std::string> opened;
  bool succeeds = true;
  bool open(const std::string& url) override {
    opened.push_back(url);
    return succeeds;
  }
};

db::EngineProbe failingWith(std::int32_t number, std::string description) {
  return [=] { return jet::Status(jet::Error{number, description}); };
}

TEST(ProviderPrompt, BuiltInEngineAnswersTrueAndShowsNothing) {
  FakeQuestion question;
  FakeOpener opener;
  EXPECT_TRUE(checkProvider(db::builtInEngineProbe, question, opener));
  EXPECT_TRUE(checkProvider(db::EngineProbe(), question, opener)) << "no probe: the built-in one";
  EXPECT_TRUE(question.asked.empty());
  EXPECT_TRUE(opener.opened.empty());
}

TEST(ProviderPrompt, OtherFailuresAnswerFalseWithoutAnyMessage) {
  FakeQuestion question;
  FakeOpener opener;
  EXPECT_FALSE(checkProvider(failingWith(-2147221164, "Class not registered"), question, opener));
  EXPECT_TRUE(question.asked.empty());
  EXPECT_TRUE(opener.opened.empty());
}

TEST(ProviderPrompt, NoOpensNothingAndYesOpensBothPagesInOrderYetBothAnswerFalse) {
  FakeQuestion question;
  question.answers = {false, true};
  FakeOpener opener;
  opener.succeeds = false;  // failures of the openings are ignored
  const db::EngineProbe missing = failingWith(3706, "Provider cannot be found.");

  EXPECT_FALSE(checkProvider(missing, question, opener));
  EXPECT_TRUE(opener.opened.empty());

  EXPECT_FALSE(checkProvider(missing, question, opener));
  EXPECT_EQ(opener.opened, (std::vector<std::string>{
                               "https://www.microsoft.com/en-us/download/details.aspx?id=13255",
                               "https://www.microsoft.com/en-us/download/details.aspx?id=54920"}));
  ASSERT_EQ(question.asked.size(), 2u);
  EXPECT_EQ(question.asked[0], missingProviderQuestion());
}

TEST(ProviderPrompt, QuestionTextHasItsSevenLinesWithEmptyLinesBetween) {
  const std::string text = missingProviderQuestion();
  EXPECT_EQ(text.rfind("Error #3706: Provider cannot be found. It may not be properly installed."
                       "\r\n\r\nYou are getting this error because:\r\n\r\n1. Microsoft Access",
                       0),
            0u);
  EXPECT_NE(text.find("on your computer.\r\n\r\n2. A set of Microsoft components to transfer "
                      "data is not installed on your computer.\r\n\r\nYou need to download and "
                      "install Microsoft Access Database Engine 2010 or 2016 to solve this "
                      "problem.\r\n\r\nWould you like me to open the Microsoft site now so you "
                      "can do this?\r\n\r\n(If you have any further questions please email a "
                      "screenshot of this error message to "),
            std::string::npos);
  EXPECT_TRUE(text.ends_with(std::string(kSupportAddress) + ")"));
  EXPECT_EQ(text.find("\r\n\r\n\r\n"), std::string::npos);
}

}  // namespace
}  // namespace app
