// text_value_encoder_test.cpp: which stored form a value takes, and the column size limits.
#include "jet/row/text_value_encoder.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

Column column(ColumnType type, std::uint16_t length, bool compressed) {
  Column c;
  c.name = "Title";
  c.type = type;
  c.length = length;
  c.extraFlags = compressed ? 0x01 : 0x00;
  return c;
}

TEST(TextValueEncoder, Jet4FormsFollowTheColumnAndLength) {
  Column text = column(ColumnType::kText, 20, true);
  EXPECT_EQ(*encodeTextValue(text, "abc", false, 0, "T"), (ByteVector{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(encodeTextValue(text, "ab", false, 0, "T")->size(), 4u);  // compressing saves nothing
  EXPECT_EQ(*encodeTextValue(column(ColumnType::kText, 20, false), "ab", false, 0, "T"),
            (ByteVector{'a', 0, 'b', 0}));
  EXPECT_TRUE(encodeTextValue(text, "", false, 0, "T")->empty());  // no bare marker
  // Memo text is compressed up to 1024 characters only.
  Column memo = column(ColumnType::kMemo, 0, true);
  EXPECT_EQ(encodeTextValue(memo, std::string(1024, 'm'), false, 0, "T")->size(), 1026u);
  EXPECT_EQ(encodeTextValue(memo, std::string(1025, 'm'), false, 0, "T")->size(), 2050u);
}

TEST(TextValueEncoder, LimitsCountUtf16UnitsOrJet3Bytes) {
  Column text = column(ColumnType::kText, 8, true);  // 4 characters
  EXPECT_TRUE(encodeTextValue(text, "abcd", false, 0, "T").ok());
  auto tooLong = encodeTextValue(text, "abcde", false, 0, "People");
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().number, err::kDataOverflow);
  EXPECT_NE(tooLong.error().description.find("Title"), std::string::npos);
  EXPECT_NE(tooLong.error().description.find("People"), std::string::npos);
  // Two characters beyond U+FFFF are four UTF-16 units.
  EXPECT_FALSE(encodeTextValue(text, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80x", false, 0, "T").ok());
  // Jet3: the size is in bytes of the code page.
  Column jet3 = column(ColumnType::kText, 4, false);
  EXPECT_TRUE(encodeTextValue(jet3, "caf\xC3\xA9", true, 1252, "T").ok());
  auto wide = encodeTextValue(jet3, "\xE6\xBC\xA2\xE5\xAD\x97\xE6\xBC\xA2", true, 936, "T");
  ASSERT_FALSE(wide.ok());
  EXPECT_EQ(wide.error().number, err::kDataOverflow);
  EXPECT_EQ(encodeTextValue(jet3, "\xE6\xBC\xA2", true, 1252, "T").error().number,
            err::kCantConvertValue);
}

}  // namespace
}  // namespace jet
