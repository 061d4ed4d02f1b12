// value_format_test.cpp: dates (before and after 1899-12-30, with and without milliseconds),
// currency, decimals, floating numbers and hex.
#include "jet/core/value_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace jet {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }

TEST(FormatDateTime, WholeDaysAndTimesAfterTheBase) {
  EXPECT_EQ(formatDateTime(0.0), "1899-12-30T00:00:00");
  EXPECT_EQ(formatDateTime(1.0), "1899-12-31T00:00:00");
  EXPECT_EQ(formatDateTime(2.25), "1900-01-01T06:00:00");
  EXPECT_EQ(formatDateTime(44361.53125), "2021-06-14T12:45:00");
  EXPECT_EQ(formatDateTime(60.0), "1900-02-28T00:00:00");  // no 29 February 1900
  EXPECT_EQ(formatDateTime(2958465.0), "9999-12-31T00:00:00");
}

TEST(FormatDateTime, NegativeValuesKeepTheFractionAsTimeOfDay) {
  EXPECT_EQ(formatDateTime(-1.0), "1899-12-29T00:00:00");
  EXPECT_EQ(formatDateTime(-1.25), "1899-12-29T06:00:00");
  EXPECT_EQ(formatDateTime(-0.5), "1899-12-30T12:00:00");
  // Values of the sample file with Date/Time Extended twins: 1765-06-14 and 0100-06-14 12:45.
  EXPECT_EQ(formatDateTime(-49141.53125), "1765-06-14T12:45:00");
  EXPECT_EQ(formatDateTime(-657270.53125), "0100-06-14T12:45:00");
  // Just before midnight, rounding carries into the next day in either direction of time.
  EXPECT_EQ(formatDateTime(-1.9999999999), "1899-12-30T00:00:00");
}

TEST(FormatDateTime, MillisecondsOnlyWhenPresentAndRoundedHalfUp) {
  const double secondPart = 1.0 / 86400.0;
  EXPECT_EQ(formatDateTime(44361.0 + 0.5 * secondPart), "2021-06-14T00:00:00.500");
  EXPECT_EQ(formatDateTime(44361.0 + 0.0004 * secondPart), "2021-06-14T00:00:00");
  EXPECT_EQ(formatDateTime(44361.0 + 0.0016 * secondPart), "2021-06-14T00:00:00.002");
  // 23:59:59.9996 rounds to the next midnight.
  EXPECT_EQ(formatDateTime(44361.0 + 86399.9996 * secondPart), "2021-06-15T00:00:00");
  EXPECT_EQ(formatDateTime(-1.25 - 0.25 * secondPart), "1899-12-29T06:00:00.250");
}

TEST(FormatDateTime, OutOfRangeComesBackAsTheNumber) {
  EXPECT_EQ(formatDateTime(1e300), "1e+300");
  EXPECT_EQ(formatDateTime(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(formatDateTime(-700000.0), "-700000");  // before the year 1
}

TEST(FormatDateTimeExtended, StoredDigitsBecomeIsoText) {
  // 2020-06-17 is day 737592 counted from 0001-01-01.
  auto plain = formatDateTimeExtended(bytesOf("0000000000000737592:0000000000000000000:"));
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(*plain, "2020-06-17T00:00:00");
  auto fraction = formatDateTimeExtended(bytesOf("0000000000000000000:0000000459001234567"));
  ASSERT_TRUE(fraction.ok());
  EXPECT_EQ(*fraction, "0001-01-01T12:45:00.1234567");
}

TEST(FormatDateTimeExtended, RejectsBytesOfAnotherShape) {
  EXPECT_FALSE(formatDateTimeExtended(bytesOf("0000000000000737592:0000")).ok());
  EXPECT_FALSE(formatDateTimeExtended(bytesOf("00000000000007375x2:0000000000000000000")).ok());
  EXPECT_FALSE(formatDateTimeExtended(bytesOf("0000000000000000000:0000000864000000000")).ok());
}

TEST(FormatCurrency, ExactWithoutNeedlessZeros) {
  EXPECT_EQ(formatCurrency(0), "0");
  EXPECT_EQ(formatCurrency(123400), "12.34");
  EXPECT_EQ(formatCurrency(10000), "1");
  EXPECT_EQ(formatCurrency(-5000), "-0.5");
  EXPECT_EQ(formatCurrency(1), "0.0001");
  EXPECT_EQ(formatCurrency(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807");
  EXPECT_EQ(formatCurrency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

TEST(NormalizeDecimal, PlainFormOrNothing) {
  EXPECT_EQ(normalizeDecimal("-012.3400"), "-12.34");
  EXPECT_EQ(normalizeDecimal(".5"), "0.5");
  EXPECT_EQ(normalizeDecimal("7."), "7");
  EXPECT_EQ(normalizeDecimal("-0.000"), "0");
  EXPECT_EQ(normalizeDecimal("000"), "0");
  EXPECT_EQ(normalizeDecimal("12345678901234567890123456789.01"),
            "12345678901234567890123456789.01");
  EXPECT_EQ(normalizeDecimal(""), std::nullopt);
  EXPECT_EQ(normalizeDecimal("-"), std::nullopt);
  EXPECT_EQ(normalizeDecimal("1e5"), std::nullopt);
  EXPECT_EQ(normalizeDecimal("1.2.3"), std::nullopt);
}

TEST(FormatFloating, ShortestTextInJavaScriptLayout) {
  EXPECT_EQ(formatDouble(0.1), "0.1");
  EXPECT_EQ(formatDouble(-0.0), "0");
  EXPECT_EQ(formatDouble(100000.0), "100000");
  EXPECT_EQ(formatDouble(123.456), "123.456");
  EXPECT_EQ(formatDouble(1e21), "1e+21");
  EXPECT_EQ(formatDouble(123456789012345680000.0), "123456789012345680000");
  EXPECT_EQ(formatDouble(1e-7), "1e-7");
  EXPECT_EQ(formatDouble(1.5e-7), "1.5e-7");
  EXPECT_EQ(formatDouble(0.000001), "0.000001");
  EXPECT_EQ(formatDouble(-2.5e-300), "-2.5e-300");
  EXPECT_EQ(formatDouble(std::numeric_limits<double>::infinity()), "Infinity");
  EXPECT_EQ(formatDouble(-std::numeric_limits<double>::infinity()), "-Infinity");
}

TEST(FormatFloating, SingleIsNotWidenedToDouble) {
  EXPECT_EQ(formatSingle(0.1f), "0.1");
  EXPECT_EQ(formatDouble(static_cast<double>(0.1f)), "0.10000000149011612");
  EXPECT_EQ(formatSingle(3.4028235e38f), "3.4028235e+38");
  EXPECT_EQ(formatSingle(-1.17549435e-38f), "-1.1754944e-38");
  EXPECT_EQ(formatSingle(16777216.0f), "16777216");
}

TEST(FormatHex, LowercaseTwoDigitsPerByte) {
  const std::vector<std::uint8_t> bytes = {0x00, 0x0A, 0xFF, 0x7E};
  EXPECT_EQ(formatHex(bytes), "000aff7e");
  EXPECT_EQ(formatHex({}), "");
}

TEST(FillValueText, DatesAndCurrencyOnly) {
  Value date;
  date.isNull = false;
  date.real = 2.25;
  fillValueText(ColumnType::kDateTime, date);
  EXPECT_EQ(date.text, "1900-01-01T06:00:00");
  Value money;
  money.isNull = false;
  money.integer = 123400;
  fillValueText(ColumnType::kCurrency, money);
  EXPECT_EQ(money.text, "12.34");
  Value number = date;
  number.text.clear();
  fillValueText(ColumnType::kDouble, number);
  EXPECT_EQ(number.text, "");
  Value null;
  fillValueText(ColumnType::kDateTime, null);
  EXPECT_EQ(null.text, "");
}

}  // namespace
}  // namespace jet
