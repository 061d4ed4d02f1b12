// cell_codec_test.cpp: exact decimal text of currency and decimal values, GUID text, extended
// dates and calculated wrappers: the conversions where an off-by-one silently corrupts data; and
// which stored form a text value takes, with the column size limits.
#include "jet/row/cell_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "jet/core/error_codes.h"
#include "jet/row/long_value.h"

namespace jet {
namespace {

class NoLongValues : public LongValueSource {
 public:
  Result<std::vector<std::uint8_t>> read(Bytes) const override {
    return Error{1, "no long values here"};
  }
};

TEST(CellCodec, CurrencyText) {
  EXPECT_EQ(currencyText(123400), "12.3400");
  EXPECT_EQ(currencyText(-5000), "-0.5000");
  EXPECT_EQ(currencyText(0), "0.0000");
  EXPECT_EQ(currencyText(INT64_MIN), "-922337203685477.5808");
}

TEST(CellCodec, NumericText) {
  // sign byte, then four little-endian 32-bit words, most significant first
  std::vector<std::uint8_t> v(17, 0);
  v[13] = 0x39;
  v[14] = 0x30;  // 12345
  EXPECT_EQ(numericText(v, 3), "12.345");
  v[0] = 0x80;
  EXPECT_EQ(numericText(v, 3), "-12.345");
  EXPECT_EQ(numericText(v, 7), "-0.0012345");
  EXPECT_EQ(numericText(v, 0), "-12345");
  std::vector<std::uint8_t> big(17, 0xFF);
  big[0] = 0;
  EXPECT_EQ(numericText(big, 0), "340282366920938463463374607431768211455");
  std::vector<std::uint8_t> high(17, 0);
  high[1] = 1;  // 2^96
  EXPECT_EQ(numericText(high, 0), "79228162514264337593543950336");
  std::vector<std::uint8_t> zero(17, 0);
  zero[0] = 0x80;
  EXPECT_EQ(numericText(zero, 2), "0.00");  // no "-0"
}

TEST(CellCodec, GuidText) {
  std::vector<std::uint8_t> g = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  EXPECT_EQ(guidText(g), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(CellCodec, ExtendedDateText) {
  auto text = [](const std::string& s) {
    return extendedDateText(Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
  };
  EXPECT_EQ(text("0000000000000000000:0000000000000000000:7"), "0001-01-01T00:00:00.0000000");
  EXPECT_EQ(text("0000000000003652058:0000000863999999999:0"), "9999-12-31T23:59:59");
  EXPECT_EQ(text("0000000000000730119:0000000000000000000:3"), "2000-01-01T00:00:00.000");
  EXPECT_EQ(text("0000000000000730178:0000000000000000000:0"), "2000-02-29T00:00:00");
  EXPECT_EQ(text("garbage"), "garbage");  // not the stored form: passed through, never a crash
}

TEST(CellCodec, CalculatedValuesAreUnwrapped) {
  NoLongValues none;
  CellContext ctx{kFormatJet4, 0, none};
  Column col;
  col.type = ColumnType::kLong;
  col.resultType = ColumnType::kLong;
  col.extraFlags = 0xC0;
  std::vector<std::uint8_t> wrapped(16, 0);
  wrapped.insert(wrapped.end(), {4, 0, 0, 0, 0x2A, 0, 0, 0});
  Value v;
  ASSERT_TRUE(decodeCell(col, wrapped, ctx, v).ok());
  EXPECT_EQ(v.integer, 42);
  // a length past the data is an error, not a read beyond it
  wrapped[16] = 200;
  Value bad;
  EXPECT_FALSE(decodeCell(col, wrapped, ctx, bad).ok());
}

TEST(CellCodec, CalculatedValuesAreReadAsTheirResultType) {
  NoLongValues none;
  CellContext ctx{kFormatJet4, 0, none};
  Column col;
  col.type = ColumnType::kDouble;  // as declared; Access stores the result type's bytes
  col.resultType = ColumnType::kCurrency;
  col.extraFlags = 0xC0;
  std::vector<std::uint8_t> wrapped(16, 0);
  wrapped.insert(wrapped.end(), {8, 0, 0, 0, 0x55, 0xA8, 0xAB, 0x31, 0, 0, 0, 0});
  Value v;
  ASSERT_TRUE(decodeCell(col, wrapped, ctx, v).ok());
  EXPECT_EQ(v.text, "83333.3333");
  col.resultType = ColumnType::kBoolean;
  wrapped = std::vector<std::uint8_t>(16, 0);
  wrapped.insert(wrapped.end(), {1, 0, 0, 0, 0xFF});
  ASSERT_TRUE(decodeCell(col, wrapped, ctx, v).ok());
  EXPECT_TRUE(v.boolean);
}

TEST(CellCodec, ShortFixedValueIsAnError) {
  NoLongValues none;
  CellContext ctx{kFormatJet4, 0, none};
  Column col;
  col.type = ColumnType::kDouble;
  std::vector<std::uint8_t> raw(3, 0);
  Value v;
  EXPECT_FALSE(decodeCell(col, raw, ctx, v).ok());
}

Column column(ColumnType type, std::uint16_t length, bool compressed) {
  Column c;
  c.name = "Title";
  c.type = type;
  c.length = length;
  c.extraFlags = compressed ? 0x01 : 0x00;
  return c;
}

TEST(CellCodec, TextJet4FormsFollowTheColumnAndLength) {
  Column text = column(ColumnType::kText, 20, true);
  EXPECT_EQ(*encodeTextValue(text, "abc", kFormatJet4, 0), (ByteVector{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(encodeTextValue(text, "ab", kFormatJet4, 0)->size(), 4u);  // compressing saves nothing
  EXPECT_EQ(*encodeTextValue(column(ColumnType::kText, 20, false), "ab", kFormatJet4, 0),
            (ByteVector{'a', 0, 'b', 0}));
  EXPECT_TRUE(encodeTextValue(text, "", kFormatJet4, 0)->empty());  // no bare marker
  // Memo text is compressed up to 1024 characters only.
  Column memo = column(ColumnType::kMemo, 0, true);
  EXPECT_EQ(encodeTextValue(memo, std::string(1024, 'm'), kFormatJet4, 0)->size(), 1026u);
  EXPECT_EQ(encodeTextValue(memo, std::string(1025, 'm'), kFormatJet4, 0)->size(), 2050u);
}

TEST(CellCodec, TextLimitsCountUtf16UnitsOrJet3Bytes) {
  Column text = column(ColumnType::kText, 8, true);  // 4 characters
  EXPECT_TRUE(encodeTextValue(text, "abcd", kFormatJet4, 0).ok());
  auto tooLong = encodeTextValue(text, "abcde", kFormatJet4, 0);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().number, err::kDataOverflow);
  // Two characters beyond U+FFFF are four UTF-16 units.
  EXPECT_FALSE(encodeTextValue(text, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80x", kFormatJet4, 0).ok());
  // Jet3: the size is in bytes of the code page.
  Column jet3 = column(ColumnType::kText, 4, false);
  EXPECT_TRUE(encodeTextValue(jet3, "caf\xC3\xA9", kFormatJet3, 1252).ok());
  auto wide = encodeTextValue(jet3, "\xE6\xBC\xA2\xE5\xAD\x97\xE6\xBC\xA2", kFormatJet3, 936);
  ASSERT_FALSE(wide.ok());
  EXPECT_EQ(wide.error().number, err::kDataOverflow);
  EXPECT_EQ(encodeTextValue(jet3, "\xE6\xBC\xA2", kFormatJet3, 1252).error().number,
            err::kCantConvertValue);
}

}  // namespace
}  // namespace jet
