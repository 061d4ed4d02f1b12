// find_prefilter_test.cpp: the prefilter answers exactly as trying every set with occurs() would.
#include "engine/find_prefilter.h"

#include <gtest/gtest.h>

#include <random>

namespace engine {
namespace {

bool naive(std::string_view value, const std::vector<ReplacementSet>& sets) {
  for (const auto& s : sets) {
    if (occurs(value, s.find)) return true;
  }
  return false;
}

TEST(FindPrefilter, OverlappingAndNestedFindTexts) {
  std::vector<ReplacementSet> sets{{"he", ""}, {"she", ""}, {"hers", ""}, {"abcd", ""}, {"bc", ""}};
  FindPrefilter filter(sets);
  for (std::string_view v : {"ushers", "xhex", "abc", "xbcx", "abd", "h", "", "sh", "ahers"}) {
    EXPECT_EQ(filter.anyOccurs(v), naive(v, sets)) << v;
  }
}

TEST(FindPrefilter, EmptyFindTextsAndNoSets) {
  FindPrefilter empty(std::vector<ReplacementSet>{{"", "x"}, {"zz", "y"}});
  EXPECT_TRUE(empty.anyOccurs("a"));
  EXPECT_FALSE(empty.anyOccurs(""));
  EXPECT_FALSE(FindPrefilter(std::vector<ReplacementSet>{}).anyOccurs("anything"));
}

TEST(FindPrefilter, AgreesWithTryingEverySetOnRandomText) {
  std::mt19937 random(7);
  auto word = [&](std::size_t max) {
    std::string w(1 + random() % max, 'a');
    for (char& c : w) c = static_cast<char>("abc\xc3\xa9"[random() % 5]);
    return w;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<ReplacementSet> sets;
    for (int i = 0; i < 1 + static_cast<int>(random() % 6); ++i) sets.push_back({word(4), "r"});
    FindPrefilter filter(sets);
    for (int i = 0; i < 20; ++i) {
      std::string v = word(12);
      ASSERT_EQ(filter.anyOccurs(v), naive(v, sets)) << v;
    }
  }
}

}  // namespace
}  // namespace engine
