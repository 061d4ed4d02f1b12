// text_decode_test.cpp: choosing and decoding a set file's encoding: UTF-16 either way round,
// UTF-8 with or without its mark, and the Windows-1252 fallback.

#include "sets/text_decode.h"

#include <gtest/gtest.h>

#include <string>

namespace sets {
namespace {

using namespace std::string_literals;

TEST(TextDecodeTest, Utf16LittleEndianDropsTheMarkAndPairsSurrogates) {
  // FF FE, "h", "é", U+1F600 as a surrogate pair, ":" ":"
  const std::string bytes = "\xFF\xFE" "h\0" "\xE9\0" "\x3D\xD8\x00\xDE" ":\0:\0"s;
  EXPECT_EQ(decodeSetFileText(bytes), "h\xC3\xA9\xF0\x9F\x98\x80::");
}

TEST(TextDecodeTest, Utf16BigEndianMarkIsReadBigEndian) {
  EXPECT_EQ(decodeSetFileText("\xFE\xFF\0h\0\xE9"s), "h\xC3\xA9");
}

TEST(TextDecodeTest, Utf16WithoutAFullMarkKeepsEveryUnit) {
  // First byte FE but no FF after it: still little-endian, from the very first byte.
  EXPECT_EQ(decodeSetFileText("\xFE\x00" "a\0"s), "\xC3\xBE" "a");
  // First byte FF, second not FE: U+41FF then "b".
  EXPECT_EQ(decodeSetFileText("\xFF\x41" "b\0"s), "\xE4\x87\xBF" "b");
}

TEST(TextDecodeTest, Utf16OddByteAndLoneSurrogates) {
  EXPECT_EQ(decodeSetFileText("\xFF\xFE" "a\0" "b"s), "a") << "odd last byte dropped";
  EXPECT_EQ(decodeSetFileText("\xFF\xFE" "\x00\xD8" "a\0"s), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(decodeSetFileText("\xFF\xFE" "\x00\xDC"s), "\xEF\xBF\xBD");
  EXPECT_EQ(decodeSetFileText("\xFF\xFE" "\x00\xD8"s), "\xEF\xBF\xBD") << "high at the end";
  EXPECT_EQ(decodeSetFileText("\xFF\xFE"s), "");
  EXPECT_EQ(decodeSetFileText("\xFF"s), "");
}

TEST(TextDecodeTest, Utf8IsKeptAndItsMarkDropped) {
  EXPECT_EQ(decodeSetFileText("Gr\xC3\xBC\xC3\x9F" "e::hi"), "Gr\xC3\xBC\xC3\x9F" "e::hi");
  EXPECT_EQ(decodeSetFileText("\xEF\xBB\xBF" "a::b"), "a::b");
  EXPECT_EQ(decodeSetFileText("\xEF\xBB\xBF"), "");
  EXPECT_EQ(decodeSetFileText("a\0b"s), "a\0b"s);
}

TEST(TextDecodeTest, AnythingElseIsWindows1252) {
  // é, €, the undefined 0x81, ÿ
  EXPECT_EQ(decodeSetFileText("caf\xE9::\x80\x81\xFF"),
            "caf\xC3\xA9::\xE2\x82\xAC\xC2\x81\xC3\xBF");
  // After a UTF-8 mark, the rest still falls back when it is not UTF-8.
  EXPECT_EQ(decodeSetFileText("\xEF\xBB\xBF" "\xE9"), "\xC3\xA9");
}

TEST(TextDecodeTest, Utf8ValidityRejectsMalformedSequences) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  EXPECT_TRUE(isValidUtf8("\xED\x9F\xBF"));      // U+D7FF
  EXPECT_FALSE(isValidUtf8("\xC0\x80"));         // overlong NUL
  EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut short
  EXPECT_FALSE(isValidUtf8("\x80"));             // stray continuation
  EXPECT_FALSE(isValidUtf8("\xF5\x80\x80\x80"));
}

}  // namespace
}  // namespace sets
