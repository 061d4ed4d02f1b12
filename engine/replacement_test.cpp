#include "engine/replacement.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(Replacement, OccurrenceIsCaseSensitiveAndEmptyValuesNeverMatch) {
  EXPECT_TRUE(occurs("Paris", "Par"));
  EXPECT_FALSE(occurs("PARIS", "Par"));
  EXPECT_FALSE(occurs("ABC", "abc"));
  EXPECT_FALSE(occurs("", "x"));
  EXPECT_FALSE(occurs("", ""));
  EXPECT_TRUE(occurs("anything", ""));
}

TEST(Replacement, ReplacesEveryOccurrenceLeftToRightWithoutRescanning) {
  EXPECT_EQ(replaceAll("xabcx", "abc", "-"), "x-x");
  EXPECT_EQ(replaceAll("abcabc", "abc", "z"), "zz");
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");      // non-overlapping
  EXPECT_EQ(replaceAll("a", "a", "aa"), "aa");        // inserted text not scanned again
  EXPECT_EQ(replaceAll("value", "", "zz"), "value");  // empty find leaves it alone
  EXPECT_EQ(replaceAll("caf\xC3\xA9", "\xC3\xA9", "e"), "cafe");
}

TEST(Replacement, SetsApplyInOrderToTheValueAsLeftByEarlierSets) {
  std::vector<ReplacementSet> sets{{"a", "b"}, {"c", "d"}};
  auto out = applySets("ac", sets);
  EXPECT_EQ(out.value, "bd");
  EXPECT_EQ(out.applied, (std::vector<std::size_t>{0, 1}));

  // A later set sees what an earlier one made, but a set whose find text is absent is not
  // applied and gets no log line.
  std::vector<ReplacementSet> chain{{"a", "aa"}, {"x", "y"}, {"aa", "b"}};
  out = applySets("a", chain);
  EXPECT_EQ(out.value, "b");
  EXPECT_EQ(out.applied, (std::vector<std::size_t>{0, 2}));

  out = applySets("", chain);
  EXPECT_EQ(out.value, "");
  EXPECT_TRUE(out.applied.empty());
}

}  // namespace
}  // namespace engine
