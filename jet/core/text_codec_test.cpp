#include "jet/core/text_codec.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> v) {
  std::vector<std::uint8_t> out;
  for (int b : v) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

TEST(TextCodec, DecodesPlainAndCompressedUcs2) {
  EXPECT_EQ(decodeUcs2Text(bytes({'A', 0, 0xE9, 0})), "A\xC3\xA9");
  // FF FE, one-byte run "ab", switch, two-byte run U+0416, switch back, "c".
  EXPECT_EQ(decodeUcs2Text(bytes({0xFF, 0xFE, 'a', 'b', 0, 0x16, 0x04, 0, 'c'})),
            "ab\xD0\x96" "c");
  // An odd byte left at the end of a two-byte run is dropped.
  EXPECT_EQ(decodeUcs2Text(bytes({'A', 0, 'B'})), "A");
  EXPECT_EQ(decodeUcs2Text({}), "");
}

TEST(TextCodec, SurrogatesSurviveBothWays) {
  const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600
  auto enc = encodeUcs2("x" + smile);
  ASSERT_TRUE(enc.ok());
  EXPECT_EQ(*enc, bytes({'x', 0, 0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_EQ(decodeUcs2Text(*enc), "x" + smile);
  // A lone surrogate becomes U+FFFD instead of invalid UTF-8.
  EXPECT_EQ(decodeUcs2Text(bytes({0x3D, 0xD8, 'a', 0})), "\xEF\xBF\xBD" "a");
}

TEST(TextCodec, RejectsInvalidUtf8) {
  EXPECT_FALSE(encodeUcs2("\xC3").ok());
  EXPECT_FALSE(encodeUcs2("\xED\xA0\x80").ok());  // encoded surrogate
  EXPECT_FALSE(encodeUcs2("\xC0\xAF").ok());      // overlong
}

TEST(TextCodec, CompressionRoundTripsAndRefusesZeroLowBytes) {
  for (std::string s : {"plain ascii text", "caf\xC3\xA9 \xD0\x96\xD0\x96\xD0\x96 end",
                        "\xD0\x96\xD0\x96\xD0\x96\xD0\x96 x"}) {
    auto ucs = encodeUcs2(s);
    ASSERT_TRUE(ucs.ok());
    auto packed = compressUcs2(*ucs);
    EXPECT_LE(packed.size(), ucs->size());
    EXPECT_EQ(decodeUcs2Text(packed), s);
  }
  auto ascii = encodeUcs2("abcd");
  EXPECT_EQ(compressUcs2(*ascii), bytes({0xFF, 0xFE, 'a', 'b', 'c', 'd'}));
  // U+0100 has a zero low byte: it cannot be stored compressed.
  auto zeroLow = encodeUcs2("ab\xC4\x80" "cd");
  EXPECT_EQ(compressUcs2(*zeroLow), *zeroLow);
}

TEST(TextCodec, CodePages) {
  EXPECT_EQ(decodeCodePage(bytes({'a', 0xE9, 0x80}), 1252), "a\xC3\xA9\xE2\x82\xAC");
  // Bytes 1252 leaves undefined read as the C1 control of the same value and write back.
  EXPECT_EQ(decodeCodePage(bytes({0x81, 'b'}), 1252), "\xC2\x81" "b");
  auto back = encodeCodePage("\xC2\x81" "b\xC2\x9D", 1252);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, bytes({0x81, 'b', 0x9D}));
  EXPECT_EQ(decodeCodePage(bytes({0xD6, 0xD0}), 936), "\xE4\xB8\xAD");     // GBK
  auto enc = encodeCodePage("\xE2\x82\xAC", 0);
  ASSERT_TRUE(enc.ok());
  EXPECT_EQ(*enc, bytes({0x80}));
  EXPECT_FALSE(encodeCodePage("\xD0\x96", 1252).ok());
}

TEST(TextCodec, Utf16Length) {
  EXPECT_EQ(utf16Length("a\xC3\xA9\xF0\x9F\x98\x80"), 4u);
}

}  // namespace
}  // namespace jet
