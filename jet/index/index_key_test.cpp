// index_key_test.cpp: index keys worked out by hand from the format rules, one group per type
// family, plus the text rules (trimming, truncation, extra and unprintable codes, surrogates,
// descending inversion) and the choice of sort order.
#include "jet/index/index_key.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

KeyPart part(ColumnType type, bool ascending = true) {
  KeyPart p;
  p.type = type;
  p.ascending = ascending;
  p.column = "c";
  p.value.isNull = false;
  return p;
}

Bytes key(const KeyPart& p) {
  auto k = encodeIndexKey({p});
  EXPECT_TRUE(k.ok()) << (k.ok() ? "" : k.error().description);
  return k.ok() ? *k : Bytes{};
}

Bytes integerKey(ColumnType type, std::int64_t v, bool asc = true) {
  KeyPart p = part(type, asc);
  p.value.integer = v;
  return key(p);
}

Bytes realKey(ColumnType type, double v, bool asc = true) {
  KeyPart p = part(type, asc);
  p.value.real = v;
  return key(p);
}

Bytes textKey(TextSortOrder order, std::string text, bool asc = true) {
  KeyPart p = part(ColumnType::kText, asc);
  p.sortOrder = order;
  p.value.text = std::move(text);
  return key(p);
}

Bytes decimalKey(std::string text, Version version, bool asc = true) {
  KeyPart p = part(ColumnType::kNumeric, asc);
  p.scale = 2;
  p.version = version;
  p.value.text = std::move(text);
  return key(p);
}

TEST(IndexKey, IntegersFlipTheSignBitAndDescendingInvertsAll) {
  EXPECT_EQ(integerKey(ColumnType::kLong, 1), (Bytes{0x7F, 0x80, 0, 0, 1}));
  EXPECT_EQ(integerKey(ColumnType::kLong, -1), (Bytes{0x7F, 0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(integerKey(ColumnType::kLong, 1, false), (Bytes{0x80, 0x7F, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(integerKey(ColumnType::kInteger, 0x1234), (Bytes{0x7F, 0x92, 0x34}));
  EXPECT_EQ(integerKey(ColumnType::kCurrency, 10000),
            (Bytes{0x7F, 0x80, 0, 0, 0, 0, 0, 0x27, 0x10}));
  EXPECT_EQ(integerKey(ColumnType::kByte, 200), (Bytes{0x7F, 200}));
  EXPECT_EQ(integerKey(ColumnType::kByte, 200, false), (Bytes{0x80, 55}));

  KeyPart tooBig = part(ColumnType::kInteger);
  tooBig.value.integer = 40000;
  auto k = encodeIndexKey({tooBig});
  ASSERT_FALSE(k.ok());
  EXPECT_EQ(k.error().number, err::kCantConvertValue);
  EXPECT_NE(k.error().description.find("'c'"), std::string::npos);
}

TEST(IndexKey, FloatsSortNegativesBeforePositives) {
  EXPECT_EQ(realKey(ColumnType::kDouble, 1.0), (Bytes{0x7F, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(realKey(ColumnType::kDouble, -1.0),
            (Bytes{0x7F, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(realKey(ColumnType::kDouble, -1.0, false), (Bytes{0x80, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(realKey(ColumnType::kSingle, 1.0), (Bytes{0x7F, 0xBF, 0x80, 0, 0}));
  EXPECT_LT(realKey(ColumnType::kDateTime, -2.5), realKey(ColumnType::kDateTime, 0.25));
  EXPECT_GT(realKey(ColumnType::kDateTime, -2.5, false),
            realKey(ColumnType::kDateTime, 0.25, false));
}

TEST(IndexKey, NullsAndBooleans) {
  KeyPart n = part(ColumnType::kText);
  n.value.isNull = true;
  EXPECT_EQ(key(n), Bytes{0x00});
  n.ascending = false;
  EXPECT_EQ(key(n), Bytes{0xFF});

  KeyPart b = part(ColumnType::kBoolean);
  b.value.boolean = true;
  EXPECT_EQ(key(b), (Bytes{0x7F, 0x00}));
  b.value.isNull = true;  // a boolean is never null: it reads as false
  b.value.boolean = false;
  EXPECT_EQ(key(b), (Bytes{0x7F, 0xFF}));
  b.ascending = false;
  EXPECT_EQ(key(b), (Bytes{0x80, 0x00}));
}

TEST(IndexKey, DecimalsKeepTheOldDescendingOrderBeforeAce) {
  Bytes mag150(16, 0);
  mag150[15] = 150;  // 1.50 at scale 2
  auto with = [](std::uint8_t flag, std::uint8_t sign, Bytes m, bool inverted) {
    if (inverted)
      for (auto& x : m) x = static_cast<std::uint8_t>(~x);
    Bytes b(2 + m.size());
    b[0] = flag;
    b[1] = sign;
    std::copy(m.begin(), m.end(), b.begin() + 2);
    return b;
  };
  EXPECT_EQ(decimalKey("1.5", Version::kAce12), with(0x7F, 0xFF, mag150, false));
  EXPECT_EQ(decimalKey("-1.50", Version::kAce12), with(0x7F, 0x00, mag150, true));
  EXPECT_EQ(decimalKey("1.5", Version::kAce12, false), with(0x80, 0x00, mag150, true));
  EXPECT_EQ(decimalKey("-1.5", Version::kAce12, false), with(0x80, 0xFF, mag150, false));
  EXPECT_EQ(decimalKey("1.5", Version::kJet4, false), with(0x80, 0xFF, mag150, true));
  EXPECT_EQ(decimalKey("-1.5", Version::kJet4, false), with(0x80, 0x00, mag150, false));
  EXPECT_EQ(decimalKey("-0.00", Version::kAce12), decimalKey("0", Version::kAce12));

  for (const char* bad : {"1.234", "abc", "", "1.2.3"}) {
    KeyPart p = part(ColumnType::kNumeric);
    p.scale = 2;
    p.value.text = bad;
    EXPECT_FALSE(encodeIndexKey({p}).ok()) << bad;
  }
}

TEST(IndexKey, GuidsAndBinariesGoInNineByteGroups) {
  KeyPart g = part(ColumnType::kGuid);
  g.value.text = "{00112233-4455-6677-8899-AABBCCDDEEFF}";
  EXPECT_EQ(key(g), (Bytes{0x7F, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x09, 0x88, 0x99,
                           0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x08}));
  g.ascending = false;
  EXPECT_EQ(key(g), (Bytes{0x80, 0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x09, 0x77, 0x66,
                           0x55, 0x44, 0x33, 0x22, 0x11, 0x00, 0xF7}));
  g.value.text = "{00112233-4455-6677-8899-AABBCCDDEEFG}";
  EXPECT_FALSE(encodeIndexKey({g}).ok());

  KeyPart b = part(ColumnType::kBinary);
  b.value.bytes = {1, 2, 3};
  EXPECT_EQ(key(b), (Bytes{0x7F, 1, 2, 3, 0, 0, 0, 0, 0, 3}));
}

TEST(IndexKey, ExtendedDatesSpellDaysAndSecondsInDigits) {
  KeyPart d = part(ColumnType::kDateTimeExt);
  d.value.text = "0001-01-02T00:00:01.5";
  Bytes k = key(d);
  ASSERT_EQ(k.size(), 1u + 54u);
  std::string digits(k.begin() + 1, k.begin() + 9);
  EXPECT_EQ(digits, "00000000");
  EXPECT_EQ(k[9], 0x09);
  EXPECT_EQ(std::string(k.begin() + 10, k.begin() + 18), "00000000");
  // the days end in the third group; 12 digits of seconds and 7 of fraction follow
  EXPECT_EQ(std::string(k.begin() + 19, k.begin() + 27), "001:0000");
  EXPECT_EQ(std::string(k.begin() + 28, k.begin() + 36), "00000001");  // 1 s
  EXPECT_EQ(k[36], 0x09);
  EXPECT_EQ(std::string(k.begin() + 37, k.begin() + 45), "5000000:");  // 0.5 s
  EXPECT_EQ(k.back(), 0x02);
  for (const char* bad : {"2021-13-01", "2021-02-29", "2021-01-01T24:00:00", "2021-1-01",
                          "2021-01-01T00:00:00.12345678", "0000-01-01"}) {
    d.value.text = bad;
    EXPECT_FALSE(encodeIndexKey({d}).ok()) << bad;
  }
  d.value.text = "2024-02-29 23:59:59";
  EXPECT_TRUE(encodeIndexKey({d}).ok());
}

TEST(IndexKey, TextGeneralLegacy) {
  using enum TextSortOrder;
  EXPECT_EQ(textKey(kGeneralLegacy, "ab"), (Bytes{0x7F, 0x4A, 0x4C, 0x01, 0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy, "ab", false), (Bytes{0x80, 0xB5, 0xB3, 0xFE, 0xFF, 0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy, "AB"), textKey(kGeneralLegacy, "ab"));
  // an accented letter: its base letter inline, its accent among the extra codes, with a
  // placeholder for each plain letter before it and none after it
  EXPECT_EQ(textKey(kGeneralLegacy, "\xC3\xA9"), (Bytes{0x7F, 0x51, 0x01, 0x0E, 0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy, "a\xC3\xA9"),
            (Bytes{0x7F, 0x4A, 0x51, 0x01, 0x02, 0x0E, 0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy,
                    "\xC3\xA9"
                    "a"),
            (Bytes{0x7F, 0x51, 0x4A, 0x01, 0x0E, 0x00}));
  // an unprintable character: nothing inline, its code and position after the markers
  EXPECT_EQ(textKey(kGeneralLegacy, "a\x01"),
            (Bytes{0x7F, 0x4A, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x03, 0x00}));
  // U+1F600, a surrogate pair: computed inline codes, extra code 3F for each half
  EXPECT_EQ(textKey(kGeneralLegacy, "\xF0\x9F\x98\x80"),
            (Bytes{0x7F, 0xB0, 0x3F, 0xB6, 0xFC, 0x01, 0x3F, 0x3F, 0x00}));
}

TEST(IndexKey, TextCrazyFlagsAndModifiers) {
  using enum TextSortOrder;
  const Bytes suffix{0xFF, 0x02, 0x80, 0xFF, 0x80};
  auto withSuffix = [&](Bytes head, Bytes tail) {
    head.insert(head.end(), suffix.begin(), suffix.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  // small hiragana A (U+3041) carries flag 2, A (U+3042) flag 3; three flags per byte under 10,
  // trailing 3s dropped, the suffix always written
  EXPECT_EQ(textKey(kGeneralLegacy, "\xE3\x81\x81"),
            withSuffix({0x7F, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xA0}, {0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy, "\xE3\x81\x82"),
            withSuffix({0x7F, 0x7F, 0x02, 0x01, 0x01, 0x01}, {0x00}));
  EXPECT_EQ(textKey(kGeneral, "\xE3\x81\x81\xE3\x81\x81\xE3\x81\x81\xE3\x81\x81"),
            withSuffix({0x7F, 0x7F, 0x02, 0x7F, 0x02, 0x7F, 0x02, 0x7F, 0x02, 0x01, 0x01, 0x01,
                        0xAA, 0xA0},
                       {0x00}));
  // crazy flags then unprintable codes: FF 01 between them
  EXPECT_EQ(textKey(kGeneralLegacy, "\xE3\x81\x81\x01"),
            withSuffix({0x7F, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xA0},
                       {0xFF, 0x01, 0x80, 0x0B, 0x06, 0x03, 0x00}));
  // an unprintable after an extra code counts the extra bytes for its position
  EXPECT_EQ(textKey(kGeneralLegacy, "\xC3\xA9\x01"),
            (Bytes{0x7F, 0x51, 0x01, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x03, 0x00}));
  // a modifier letter (U+02B9) adds to the previous extra code, a placeholder if need be,
  // or stands alone at the start
  EXPECT_EQ(textKey(kGeneralLegacy, "a\xCA\xB9"), (Bytes{0x7F, 0x4A, 0x01, 0x0E, 0x00}));
  EXPECT_EQ(textKey(kGeneralLegacy,
                    "\xCA\xB9"
                    "a"),
            (Bytes{0x7F, 0x4A, 0x01, 0x0C, 0x00}));
}

TEST(IndexKey, TextTrailingSpacesAndLengthLimit) {
  using enum TextSortOrder;
  for (auto order : {kGeneral97, kGeneralLegacy, kGeneral}) {
    EXPECT_EQ(textKey(order, "ab  "), textKey(order, "ab"));
    EXPECT_NE(textKey(order, " ab"), textKey(order, "ab"));
    EXPECT_EQ(textKey(order, std::string(300, 'x')), textKey(order, std::string(255, 'x')));
    EXPECT_NE(textKey(order, std::string(255, 'x')), textKey(order, std::string(254, 'x')));
    EXPECT_EQ(textKey(order, "   "), textKey(order, ""));
  }
  KeyPart bad = part(ColumnType::kText);
  bad.value.text = "\xFF";
  EXPECT_FALSE(encodeIndexKey({bad}).ok());
}

TEST(IndexKey, TextGeneralAndGeneral97) {
  using enum TextSortOrder;
  EXPECT_EQ(textKey(kGeneral, "a"), (Bytes{0x7F, 0x0E, 0x02, 0x01, 0x00}));
  EXPECT_EQ(textKey(kGeneral97, "a"), (Bytes{0x7F, 0x60, 0x00}));
  EXPECT_EQ(textKey(kGeneral97, "a", false), (Bytes{0x80, 0x9F, 0xFF}));
  // accents as nibbles between zero nibbles, a placeholder nibble per significant letter
  EXPECT_EQ(textKey(kGeneral97, "\xC3\xA9"), (Bytes{0x7F, 0x66, 0x04, 0x00}));
  EXPECT_EQ(textKey(kGeneral97, "a\xC3\xA9"), (Bytes{0x7F, 0x60, 0x66, 0x02, 0x40}));
  // the euro sign takes the code of Windows-1252's 0x80; characters outside it are ignored
  EXPECT_EQ(textKey(kGeneral97, "\xE2\x82\xAC"), textKey(kGeneral97, "\xC2\x80"));
  EXPECT_EQ(textKey(kGeneral97, "a\xE4\xB8\xAD"), textKey(kGeneral97, "a"));
  // U+FFFD marks a byte Windows-1252 does not define: its key is unknown, so it is refused
  KeyPart lost = part(ColumnType::kText);
  lost.sortOrder = kGeneral97;
  lost.value.text = "a\xEF\xBF\xBD";
  auto k = encodeIndexKey({lost});
  ASSERT_FALSE(k.ok());
  EXPECT_EQ(k.error().number, err::kUnsupported);
  lost.sortOrder = kGeneralLegacy;  // later files store U+FFFD itself, which has a code
  EXPECT_TRUE(encodeIndexKey({lost}).ok());
}

TEST(IndexKey, PartsConcatenate) {
  KeyPart a = part(ColumnType::kLong);
  a.value.integer = 1;
  KeyPart b = part(ColumnType::kText, false);
  b.value.isNull = true;
  auto k = encodeIndexKey({a, b});
  ASSERT_TRUE(k.ok());
  EXPECT_EQ(*k, (Bytes{0x7F, 0x80, 0, 0, 1, 0xFF}));

  KeyPart ole = part(ColumnType::kOle);
  auto bad = encodeIndexKey({a, ole});
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().number, err::kUnsupported);
}

TEST(IndexKey, SortOrderComesFromTheColumnAndIsNeverGuessed) {
  EXPECT_EQ(*textSortOrderOf(Version::kJet3, 1033, 0, "c"), TextSortOrder::kGeneral97);
  EXPECT_EQ(*textSortOrderOf(Version::kJet4, 1033, 0, "c"), TextSortOrder::kGeneralLegacy);
  EXPECT_EQ(*textSortOrderOf(Version::kAce14, 1033, 0, "c"), TextSortOrder::kGeneralLegacy);
  EXPECT_EQ(*textSortOrderOf(Version::kAce14, 1033, 1, "c"), TextSortOrder::kGeneral);
  for (auto [lcid, ver] : {std::pair{1036, 0}, {1033, 2}, {0, 0}}) {
    auto r = textSortOrderOf(Version::kAce12, static_cast<std::uint16_t>(lcid),
                             static_cast<std::uint8_t>(ver), "Name");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, err::kUnsupported);
    EXPECT_NE(r.error().description.find("'Name'"), std::string::npos);
    EXPECT_NE(r.error().description.find(std::to_string(lcid)), std::string::npos);
  }
}

}  // namespace
}  // namespace jet
