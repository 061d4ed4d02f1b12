#include "engine/text_formats.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

jet::Value num(double d) {
  jet::Value v;
  v.isNull = false;
  v.real = d;
  return v;
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
