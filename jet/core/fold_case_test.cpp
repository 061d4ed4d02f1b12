// fold_case_test.cpp: names and where-clause text compared without regard to letter case.
#include "jet/core/fold_case.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(FoldCase, LettersOfTheCommonAlphabetsMatchTheirOtherCase) {
  EXPECT_TRUE(equalsIgnoringCase("Paris", "PARIS"));
  EXPECT_TRUE(equalsIgnoringCase("Ärger über Ölpreis", "ÄRGER ÜBER ÖLPREIS"));
  EXPECT_TRUE(equalsIgnoringCase("Łódź ČeŠka", "łÓDŹ čEšKA"));
  EXPECT_TRUE(equalsIgnoringCase("Ωμέγα", "ωΜέΓΑ"));
  EXPECT_TRUE(equalsIgnoringCase("Жук Ёж", "жУК ёЖ"));
  EXPECT_TRUE(equalsIgnoringCase("Ÿ", "ÿ"));
  EXPECT_TRUE(equalsIgnoringCase("", ""));
}

TEST(FoldCase, OtherDifferencesStillCount) {
  EXPECT_FALSE(equalsIgnoringCase("Paris", "Parish"));
  EXPECT_FALSE(equalsIgnoringCase("Parish", "Paris"));
  EXPECT_FALSE(equalsIgnoringCase("resume", "résumé"));
  EXPECT_FALSE(equalsIgnoringCase("×", "÷"));  // not a letter pair, though 0x20 apart
  EXPECT_FALSE(equalsIgnoringCase("a", ""));
  EXPECT_FALSE(equalsIgnoringCase("@", "`"));
}

TEST(FoldCase, InvalidBytesOnlyEqualThemselves) {
  EXPECT_TRUE(equalsIgnoringCase("A\xff", "a\xff"));
  EXPECT_FALSE(equalsIgnoringCase("\xc3", "\xe3"));
  EXPECT_FALSE(equalsIgnoringCase("\xc3\xa4", "\xc3"));  // a sequence cut short
}

TEST(FoldCase, KeysAgreeWithTheComparison) {
  EXPECT_EQ(foldCase("ÄRGER Straße ΩΜΕΓΑ ЖУК"), "ärger straße ωμεγα жук");
  EXPECT_EQ(foldCase("Łódź"), foldCase("łÓDŹ"));
  EXPECT_NE(foldCase("resume"), foldCase("résumé"));
  EXPECT_EQ(foldCase("A\xff\xc3"), "a\xff\xc3");  // invalid bytes kept as they are
}

}  // namespace
}  // namespace jet
