// app_startup_pieces_test.cpp: the title rule, the home-page chance with an injected address and
// number source, and the shared file test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_title.h"
#include "app/home_page_chance.h"
#include "ui/test_bench.h"

namespace app {
namespace {

TEST(TitleRule, CutsTheLastWordOnceThenUntilItFits) {
  EXPECT_EQ(applicationTitle("Fieldmend"), "Fieldmend");  // nothing to cut
  EXPECT_EQ(applicationTitle("Quick Access Text Mender"), "Quick Access Text");
  const QString longName = "Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota";  // 50
  EXPECT_EQ(applicationTitle(longName), "Alpha Beta Gamma Delta Epsilon Zeta Eta");
  EXPECT_EQ(applicationTitle("OneVeryLongWordWithoutAnySpaceThatIsLongerThanForty x"),
            "OneVeryLongWordWithoutAnySpaceThatIsLongerThanForty");
}

TEST(HomePageChance, OnlySevenOpensAndOnlyWhenThereIsAnAddress) {
  EXPECT_EQ(chanceNumber(0.0), 1);
  EXPECT_EQ(chanceNumber(0.06), 7);
  EXPECT_EQ(chanceNumber(0.0699), 7);
  EXPECT_EQ(chanceNumber(0.999999), 100);
  ui::RecordingOpener opener;
  EXPECT_FALSE(homePageChance([] { return 0.06; }, kHomePageAddress, opener));
  EXPECT_FALSE(homePageChance([] { return 0.07; }, "https://example.org/", opener));
  EXPECT_TRUE(opener.opened.empty());
  EXPECT_TRUE(homePageChance([] { return 0.065; }, "https://example.org/", opener));
  EXPECT_EQ(opener.opened, (std::vector<std::string>{"https://example.org/"}));
  int draws = 0;
  const RandomSource counting = [&] { return ++draws, 0.5; };
  homePageChance(counting, "", opener);
  EXPECT_EQ(draws, 1);  // the number is drawn even with no address
  const RandomSource seeded = timeOfDaySource();
  for (int i = 0; i < 100; ++i) {
    const double r = seeded();
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
  }
}

}  // namespace
}  // namespace app
