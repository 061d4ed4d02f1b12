#include "jet/core/text_codec.h"

#include <gtest/gtest.h>

#include <random>

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

// The decoder's word-at-a-time runs against one unit at a time, on random stored bytes that mix
// ASCII runs, Latin-1, other scripts, surrogates (paired and lone) and compression switches.
TEST(TextCodec, FastDecodingMatchesUnitByUnit) {
  auto reference = [](const std::vector<std::uint8_t>& s) {
    std::vector<char16_t> units;
    const bool compressed = s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE;
    // Compressed text is split at every zero byte into runs, one byte a unit and two in turn.
    std::vector<std::vector<std::uint8_t>> runs(1);
    for (std::size_t i = compressed ? 2 : 0; i < s.size(); ++i) {
      if (compressed && s[i] == 0) {
        runs.emplace_back();
      } else {
        runs.back().push_back(s[i]);
      }
    }
    for (std::size_t r = 0; r < runs.size(); ++r) {
      const bool oneByte = compressed && r % 2 == 0;
      for (std::size_t i = 0; i < runs[r].size(); i += oneByte ? 1 : 2) {
        if (oneByte) {
          units.push_back(runs[r][i]);
        } else if (i + 1 < runs[r].size()) {
          units.push_back(static_cast<char16_t>(runs[r][i] | (runs[r][i + 1] << 8)));
        }
      }
    }
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t c = units[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
      appendUtf8(out, c);
    }
    return out;
  };
  std::mt19937 random(5);
  const char16_t kUnits[] = {u'a', u'Z', u' ', 0xE9, 0x416, 0x6771, 0xD83D, 0xDE00, 0xDC00, 0x7F};
  std::string reused;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> s;
    const bool compressed = round % 2 == 1;
    if (compressed) s = {0xFF, 0xFE};
    const int n = static_cast<int>(random() % 40);
    for (int k = 0; k < n; ++k) {
      const char16_t u = random() % 3 == 0 ? kUnits[random() % std::size(kUnits)]
                                           : static_cast<char16_t>('a' + random() % 26);
      if (compressed && random() % 8 == 0) s.push_back(0);  // switch runs
      s.push_back(static_cast<std::uint8_t>(u & 0xFF));
      if (!compressed || random() % 2 == 0) s.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    if (compressed) {
      for (std::uint8_t& b : s) b = b == 0 && random() % 4 != 0 ? 'q' : b;
    }
    ASSERT_EQ(decodeUcs2Text(s), reference(s)) << "round " << round;
    decodeUcs2TextInto(s, reused);
    ASSERT_EQ(reused, reference(s)) << "round " << round;
  }
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
  std::vector<std::string> texts = {"plain ascii text", "caf\xC3\xA9 \xD0\x96\xD0\x96\xD0\x96 end",
                                    "\xD0\x96\xD0\x96\xD0\x96\xD0\x96 x"};
  std::mt19937 random(11);
  const char* kPieces[] = {"a", "Z", " ", "\xC3\xA9", "\xD0\x96",
                           "\xE6\x9D\xB1", "\xF0\x9F\x98\x80"};
  for (int round = 0; round < 500; ++round) {  // mixes of one- and two-byte runs, of any length
    std::string s;
    for (int k = static_cast<int>(random() % 30); k > 0; --k) s += kPieces[random() % 7];
    texts.push_back(s);
  }
  for (const std::string& s : texts) {
    auto ucs = encodeUcs2(s);
    ASSERT_TRUE(ucs.ok());
    auto packed = compressUcs2(*ucs);
    EXPECT_LE(packed.size(), ucs->size());
    EXPECT_EQ(decodeUcs2Text(packed), s);
  }
  // The one-step form gives the same bytes, ASCII or not, down to the shortest texts.
  texts.push_back(std::string("a\0b", 3));
  for (const std::string& s : texts) {
    for (std::size_t n = 0; n <= std::min<std::size_t>(s.size(), 4); ++n) {
      const std::string t = n < 4 ? s.substr(0, n) : s;
      auto ucs = encodeUcs2(t);
      if (!ucs.ok()) {  // a prefix that cuts a character in two
        EXPECT_FALSE(encodeStoredUcs2(t, true).ok());
        continue;
      }
      EXPECT_EQ(*encodeStoredUcs2(t, false), *ucs);
      EXPECT_EQ(*encodeStoredUcs2(t, true), compressUcs2(*ucs));
    }
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
