// cell_text_test.cpp: the JSON and CSV form of a cell for each column type, including nulls,
// calculated columns and the values JSON numbers cannot hold.
#include "cli/cell_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace cli {
namespace {

using jet::ColumnType;

jet::Column column(ColumnType type) {
  jet::Column c;
  c.name = "c";
  c.type = type;
  return c;
}

jet::Value integer(std::int64_t n) {
  jet::Value v;
  v.isNull = false;
  v.integer = n;
  return v;
}
jet::Value real(double d) {
  jet::Value v;
  v.isNull = false;
  v.real = d;
  return v;
}
jet::Value text(std::string s) {
  jet::Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}
jet::Value boolean(bool b) {
  jet::Value v;
  v.isNull = false;
  v.boolean = b;
  return v;
}
jet::Value bytes(std::vector<std::uint8_t> b) {
  jet::Value v;
  v.isNull = false;
  v.bytes = std::move(b);
  return v;
}

struct Case {
  ColumnType type;
  jet::Value value;
  std::string json;
  std::string csv;
};

TEST(CellText, EachTypeInJsonAndCsv) {
  const std::vector<Case> cases = {
      {ColumnType::kBoolean, boolean(true), "true", "true"},
      {ColumnType::kBoolean, boolean(false), "false", "false"},
      {ColumnType::kByte, integer(255), "255", "255"},
      {ColumnType::kInteger, integer(-32768), "-32768", "-32768"},
      {ColumnType::kLong, integer(2147483647), "2147483647", "2147483647"},
      {ColumnType::kComplex, integer(3), "3", "3"},
      {ColumnType::kBigInt, integer(std::numeric_limits<std::int64_t>::min()),
       "\"-9223372036854775808\"", "-9223372036854775808"},
      {ColumnType::kCurrency, integer(-123400), "-12.34", "-12.34"},
      {ColumnType::kNumeric, text("0012.500"), "12.5", "12.5"},
      {ColumnType::kSingle, real(static_cast<double>(0.1f)), "0.1", "0.1"},
      {ColumnType::kDouble, real(0.1), "0.1", "0.1"},
      {ColumnType::kDouble, real(1e21), "1e+21", "1e+21"},
      {ColumnType::kDateTime, real(44361.53125), "\"2021-06-14T12:45:00\"", "2021-06-14T12:45:00"},
      {ColumnType::kDateTimeExt, text("2021-06-14T12:45:00.1234567"),
       "\"2021-06-14T12:45:00.1234567\"", "2021-06-14T12:45:00.1234567"},
      {ColumnType::kText, text("a \"b\", c"), R"("a \"b\", c")", "\"a \"\"b\"\", c\""},
      {ColumnType::kMemo, text("line1\r\nline2"), R"("line1\r\nline2")", "\"line1\r\nline2\""},
      {ColumnType::kText, text(""), R"("")", "\"\""},
      {ColumnType::kGuid, text("{0A1B2C3D-0000-0000-0000-000000000001}"),
       "\"{0A1B2C3D-0000-0000-0000-000000000001}\"", "{0A1B2C3D-0000-0000-0000-000000000001}"},
      {ColumnType::kBinary, bytes({0xDE, 0xAD, 0x01}), "\"dead01\"", "dead01"},
      {ColumnType::kOle, bytes({}), "\"\"", "\"\""},
      {ColumnType::kUnknown0D, bytes({0xAB}), "\"ab\"", "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(jet::columnTypeName(c.type)) + " " + c.json);
    EXPECT_EQ(jsonCell(column(c.type), c.value), c.json);
    EXPECT_EQ(csvCell(column(c.type), c.value), c.csv);
  }
}

TEST(CellText, NullIsJsonNullAndAnEmptyCsvField) {
  for (ColumnType t : {ColumnType::kText, ColumnType::kLong, ColumnType::kBoolean}) {
    EXPECT_EQ(jsonCell(column(t), jet::Value{}), "null");
    EXPECT_EQ(csvCell(column(t), jet::Value{}), "");
  }
}

TEST(CellText, NumbersJsonCannotHoldBecomeStrings) {
  EXPECT_EQ(jsonCell(column(ColumnType::kDouble), real(std::numeric_limits<double>::quiet_NaN())),
            "\"NaN\"");
  EXPECT_EQ(jsonCell(column(ColumnType::kSingle), real(-std::numeric_limits<double>::infinity())),
            "\"-Infinity\"");
  EXPECT_EQ(jsonCell(column(ColumnType::kNumeric), text("1,5")), "\"1,5\"");
}

TEST(CellText, CalculatedColumnsUseTheirResultType) {
  jet::Column c = column(ColumnType::kMemo);
  c.extraFlags = 0xC0;
  c.resultType = ColumnType::kCurrency;
  EXPECT_EQ(jsonCell(c, integer(50000)), "5");
}

}  // namespace
}  // namespace cli
