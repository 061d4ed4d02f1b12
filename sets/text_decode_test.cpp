// text_decode_test.cpp: choosing and decoding a set file's encoding: UTF-16 either way round,
// UTF-8 with or without its mark, and the Windows-1252 fallback.

#include "sets/text_decode.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace sets {
namespace {

// Bytes written as numbers, so that NULs and high bytes read plainly.
std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

const std::string kReplacementChar = "\xEF\xBF\xBD";

TEST(TextDecodeTest, Utf16LittleEndianDropsTheMarkAndPairsSurrogates) {
  // mark, "h", "é", U+1F600 as a surrogate pair, "::"
  const std::string file =
      bytes({0xFF, 0xFE, 'h', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, ':', 0, ':', 0});
  EXPECT_EQ(decodeSetFileText(file), "h\xC3\xA9\xF0\x9F\x98\x80::");
}

TEST(TextDecodeTest, Utf16BigEndianMarkIsReadBigEndian) {
  EXPECT_EQ(decodeSetFileText(bytes({0xFE, 0xFF, 0, 'h', 0, 0xE9})), "h\xC3\xA9");
}

TEST(TextDecodeTest, Utf16WithoutAFullMarkKeepsEveryUnit) {
  // First byte FE but no FF after it: still little-endian, from the very first byte (U+00FE).
  EXPECT_EQ(decodeSetFileText(bytes({0xFE, 0x00, 'a', 0})), "\xC3\xBE" + std::string("a"));
  // First byte FF, second not FE: U+41FF then "b".
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0x41, 'b', 0})), "\xE4\x87\xBF" + std::string("b"));
}

TEST(TextDecodeTest, Utf16OddByteAndLoneSurrogates) {
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0xFE, 'a', 0, 'b'})), "a") << "odd last byte dropped";
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0xFE, 0x00, 0xD8, 'a', 0})), kReplacementChar + "a");
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0xFE, 0x00, 0xDC})), kReplacementChar);
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0xFE, 0x00, 0xD8})), kReplacementChar)
      << "high surrogate at the end";
  EXPECT_EQ(decodeSetFileText(bytes({0xFF, 0xFE})), "");
  EXPECT_EQ(decodeSetFileText(bytes({0xFF})), "");
}

TEST(TextDecodeTest, Utf8IsKeptAndItsMarkDropped) {
  const std::string gruesse = "Gr\xC3\xBC\xC3\x9F" + std::string("e::hi");
  EXPECT_EQ(decodeSetFileText(gruesse), gruesse);
  EXPECT_EQ(decodeSetFileText("\xEF\xBB\xBF" + gruesse), gruesse);
  EXPECT_EQ(decodeSetFileText("\xEF\xBB\xBF"), "");
  EXPECT_EQ(decodeSetFileText(bytes({'a', 0, 'b'})), bytes({'a', 0, 'b'}));
}

TEST(TextDecodeTest, AnythingElseIsWindows1252) {
  // é, €, the undefined 0x81, ÿ
  EXPECT_EQ(decodeSetFileText(bytes({'c', 0xE9, ':', ':', 0x80, 0x81, 0xFF})),
            "c\xC3\xA9::\xE2\x82\xAC\xC2\x81\xC3\xBF");
  // After a UTF-8 mark, the rest still falls back when it is not UTF-8.
  EXPECT_EQ(decodeSetFileText(bytes({0xEF, 0xBB, 0xBF, 0xE9})), "\xC3\xA9");
}

TEST(TextDecodeTest, Utf8ValidityRejectsMalformedSequences) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));   // U+10FFFF
  EXPECT_TRUE(isValidUtf8("\xED\x9F\xBF"));       // U+D7FF
  EXPECT_FALSE(isValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));      // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(isValidUtf8("\x80"));              // stray continuation
  EXPECT_FALSE(isValidUtf8("\xF5\x80\x80\x80"));  // no such lead byte
}

}  // namespace
}  // namespace sets
