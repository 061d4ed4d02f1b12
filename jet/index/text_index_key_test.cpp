// text_index_key_test.cpp: text keys carry no letter case: the keys of values that differ in case
// alone are equal in every sort order, those of values that differ in a letter or an accent are
// not (Latin, German, Greek and Cyrillic text). Unique indexes rely on it: their checks compare
// key bytes.
#include <gtest/gtest.h>

#include <string>

#include "jet/index/index_key.h"

namespace {

std::vector<std::uint8_t> key(jet::TextSortOrder order, const std::string& text,
                              bool ascending = true) {
  jet::KeyPart part;
  part.type = jet::ColumnType::kText;
  part.sortOrder = order;
  part.ascending = ascending;
  part.value.isNull = false;
  part.value.text = text;
  auto k = jet::encodeIndexKey({part});
  EXPECT_TRUE(k.ok()) << text;
  return k.ok() ? *k : std::vector<std::uint8_t>{};
}

constexpr jet::TextSortOrder kUnicodeOrders[] = {jet::TextSortOrder::kGeneralLegacy,
                                                 jet::TextSortOrder::kGeneral};

TEST(UniqueKeys, CaseAloneGivesTheSameKey) {
  const std::pair<const char*, const char*> same[] = {
      {"abc", "ABC"},       {"Zürich", "ZÜRICH"}, {"straße", "STRASSE"}, {"straße", "strasse"},
      {"Ελλάδα", "ΕΛΛΆΔΑ"}, {"σοφός", "ΣΟΦΌΣ"},   {"Жёлтый", "ЖЁЛТЫЙ"},  {"élan", "Élan"},
  };
  for (auto order : kUnicodeOrders) {
    for (const auto& [a, b] : same) {
      for (bool ascending : {true, false}) {
        EXPECT_EQ(key(order, a, ascending), key(order, b, ascending))
            << a << " / " << b << " in " << jet::textSortOrderName(order);
      }
    }
  }
  // Access 97 keys know Windows-1252 only.
  for (const auto& [a, b] :
       {std::pair{"abc", "ABC"}, std::pair{"Größe", "GRÖSSE"}, std::pair{"élan", "ÉLAN"}}) {
    EXPECT_EQ(key(jet::TextSortOrder::kGeneral97, a), key(jet::TextSortOrder::kGeneral97, b))
        << a << " / " << b;
  }
}

TEST(UniqueKeys, AccentsAndLettersStillCount) {
  const std::pair<const char*, const char*> different[] = {
      {"abc", "abd"},       {"resume", "résumé"}, {"Ελλάδα", "Ελλαδα"},
      {"Жёлтый", "Желтый"}, {"abc", "abc1"},      {"straße", "strase"},
  };
  for (auto order : kUnicodeOrders) {
    for (const auto& [a, b] : different) {
      EXPECT_NE(key(order, a), key(order, b))
          << a << " / " << b << " in " << jet::textSortOrderName(order);
    }
  }
  EXPECT_NE(key(jet::TextSortOrder::kGeneral97, "resume"),
            key(jet::TextSortOrder::kGeneral97, "résumé"));
}

}  // namespace
