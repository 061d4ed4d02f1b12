#include "engine/text_formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace engine {
namespace {

jet::Value num(double d) {
  jet::Value v;
  v.isNull = false;
  v.real = d;
  return v;
}

// A value whose text could hold the find text is never passed over: on random values and find
// texts, whatever mayHold refuses does not occur in the value's text, under several formats.
TEST(TextFormats, NoValueTextHoldsAFindTextItsTypeRefuses) {
  using jet::ColumnType;
  std::mt19937 random(3);
  const std::string pool = "0123456789-+.,:/ eETrueFalsNaInfity{}ABCDEFxyz%";
  TextFormats german;
  german.decimalPoint = ',';
  german.dateFormat = "%d.%m.%Y";
  TextFormats words;
  words.dateFormat = "%d %B %Y";  // month names: any text may occur
  const ColumnType types[] = {ColumnType::kByte,     ColumnType::kLong,    ColumnType::kBigInt,
                              ColumnType::kCurrency, ColumnType::kDouble,  ColumnType::kSingle,
                              ColumnType::kDateTime, ColumnType::kBoolean, ColumnType::kNumeric};
  std::size_t refused = 0;
  const TextFormats plain;
  const TextFormats* const all[] = {&plain, &german, &words};
  for (const TextFormats* formats : all) {
    for (int round = 0; round < 4000; ++round) {
      jet::Value v;
      v.isNull = false;
      v.integer = static_cast<std::int64_t>(random()) - (1 << 30);
      v.boolean = random() % 2 == 0;
      const double specials[] = {std::nan(""), std::numeric_limits<double>::infinity(), 1e300,
                                 -2.5e-7};
      v.real = random() % 8 == 0 ? specials[random() % 4]
                                 : (static_cast<double>(random()) - 2e9) / 997.0;
      if (random() % 3 == 0) v.real = std::fmod(v.real, 80000.0);  // a date Access can show
      const ColumnType type = types[random() % std::size(types)];
      if (type == ColumnType::kNumeric) {  // decimals come as text
        v.text = std::to_string(v.integer / 1000) + "." + std::to_string(random() % 1000);
      }
      std::string find;
      for (std::size_t n = 1 + random() % 3; n > 0; --n) find += pool[random() % pool.size()];
      const std::string text = formats->valueText(type, v);
      if (!formats->mayHold(type, find)) {
        ++refused;
        EXPECT_EQ(text.find(find), std::string::npos) << text << " holds " << find;
      }
    }
  }
  EXPECT_GT(refused, 1000u);
  EXPECT_FALSE(TextFormats{}.mayHold(ColumnType::kLong, "x"));
  EXPECT_TRUE(words.mayHold(ColumnType::kDateTime, "x"));
  EXPECT_TRUE(TextFormats{}.mayHold(ColumnType::kMemo, "x"));
  EXPECT_FALSE(TextFormats{}.mayHold(ColumnType::kBinary, ""));
}

TEST(TextFormats, AccessDatesIncludingNegativeDays) {
  std::tm t = accessDateToTm(0.0);
  EXPECT_EQ(t.tm_year + 1900, 1899);
  EXPECT_EQ(t.tm_mon + 1, 12);
  EXPECT_EQ(t.tm_mday, 30);
  t = accessDateToTm(45000.75);  // 2023-03-15 18:00
  EXPECT_EQ(t.tm_year + 1900, 2023);
  EXPECT_EQ(t.tm_mon + 1, 3);
  EXPECT_EQ(t.tm_mday, 15);
  EXPECT_EQ(t.tm_hour, 18);
  t = accessDateToTm(-1.5);  // 1899-12-29 12:00: the fraction stays a time of day
  EXPECT_EQ(t.tm_mday, 29);
  EXPECT_EQ(t.tm_hour, 12);
  EXPECT_EQ(t.tm_wday, 5);  // a Friday
  // 1899-12-29 23:59:59.99 rounds forward to midnight of the next day, 1899-12-30.
  t = accessDateToTm(-1.9999999);
  EXPECT_EQ(t.tm_mday, 30);
  EXPECT_EQ(t.tm_hour, 0);
  EXPECT_EQ(t.tm_wday, 6);
}

TEST(TextFormats, DefaultValueTexts) {
  TextFormats f;
  EXPECT_EQ(f.valueText(jet::ColumnType::kDouble, num(444.555)), "444.555");
  EXPECT_EQ(f.valueText(jet::ColumnType::kSingle, num(static_cast<float>(0.1))), "0.1");
  EXPECT_EQ(f.valueText(jet::ColumnType::kDateTime, num(45000.75)), "2023-03-15 18:00:00");
  EXPECT_EQ(f.valueText(jet::ColumnType::kDateTime, num(45000.0)), "2023-03-15");
  EXPECT_EQ(f.valueText(jet::ColumnType::kDateTime, num(0.5)), "12:00:00");
  jet::Value money;
  money.isNull = false;
  money.integer = -123400;
  EXPECT_EQ(f.valueText(jet::ColumnType::kCurrency, money), "-12.34");
  jet::Value none;
  EXPECT_EQ(f.valueText(jet::ColumnType::kText, none), "");
  jet::Value blob;
  blob.isNull = false;
  blob.bytes = {1, 2};
  EXPECT_EQ(f.valueText(jet::ColumnType::kOle, blob), "");

  TextFormats comma;
  comma.decimalPoint = ',';
  EXPECT_EQ(comma.valueText(jet::ColumnType::kDouble, num(1.5)), "1,5");
}

}  // namespace
}  // namespace engine
