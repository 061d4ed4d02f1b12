// index_key.cpp: encodes index keys column by column: integers and floats big-endian with their
// sign handled so that bytes sort like values, decimals, GUIDs and binaries in nine-byte groups,
// extended dates, and text through text_index_key.cpp.
#include "jet/index/index_key.h"

#include <bit>
#include <cstring>

#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"
#include "jet/index/text_index_key.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kAscStart = 0x7F;
constexpr std::uint8_t kDescStart = 0x80;
constexpr std::uint8_t kAscNull = 0x00;
constexpr std::uint8_t kDescNull = 0xFF;
constexpr std::uint16_t kGeneralLcid = 1033;

Error badValue(const KeyPart& part, const std::string& why) {
  return Error{err::kCantConvertValue, "index key for column '" + part.column + "': " + why};
}

void invert(Bytes& b, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  to = std::min(to, b.size());
  for (std::size_t i = from; i < to; ++i) b[i] = static_cast<std::uint8_t>(~b[i]);
}

Bytes bigEndian(std::uint64_t v, std::size_t width) {
  Bytes b(width);
  for (std::size_t i = 0; i < width; ++i) {
    b[width - 1 - i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  return b;
}

// Two's complement big-endian with the sign bit flipped, so that bytes sort like values.
Result<Bytes> integerKey(const KeyPart& part, std::size_t width) {
  std::int64_t v = part.value.integer;
  if (width < 8) {
    std::int64_t limit = std::int64_t{1} << (8 * width - 1);
    if (v < -limit || v >= limit) return badValue(part, "integer out of range");
  }
  Bytes b = bigEndian(static_cast<std::uint64_t>(v), width);
  b[0] ^= 0x80;
  if (!part.ascending) invert(b);
  return b;
}

// IEEE big-endian: positives with the sign bit flipped, negatives wholly inverted.
Bytes floatingKey(std::uint64_t bits, std::size_t width, bool ascending) {
  Bytes b = bigEndian(bits, width);
  const bool negative = (b[0] & 0x80) != 0;
  if (!negative) b[0] ^= 0x80;
  if (negative == ascending) invert(b);
  return b;
}

Result<Bytes> byteKey(const KeyPart& part) {
  if (part.value.integer < 0 || part.value.integer > 255) {
    return badValue(part, "byte out of range");
  }
  Bytes b{static_cast<std::uint8_t>(part.value.integer)};
  if (!part.ascending) invert(b);
  return b;
}

// GUIDs and binaries: groups of eight bytes, each followed by 09 when more follow; the last
// group is zero-padded and followed by its length. Descending inverts all but the 09s.
void appendGroupedBinary(const Bytes& data, bool ascending, Bytes& out) {
  std::size_t pos = 0;
  while (data.size() - pos > 8) {
    std::size_t at = out.size();
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
               data.begin() + static_cast<std::ptrdiff_t>(pos + 8));
    if (!ascending) invert(out, at);
    out.push_back(0x09);
    pos += 8;
  }
  if (pos == data.size()) return;
  std::size_t at = out.size();
  const std::size_t rest = data.size() - pos;
  out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos), data.end());
  out.insert(out.end(), 8 - rest, 0x00);
  out.push_back(static_cast<std::uint8_t>(rest));
  if (!ascending) invert(out, at);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional) -> 16 bytes in written order.
Result<Bytes> guidBytes(const KeyPart& part) {
  std::string_view s = part.value.text;
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return badValue(part, "not a GUID: '" + part.value.text + "'");
  Bytes b;
  for (std::size_t i = 0; i < s.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (s[i++] != '-') return badValue(part, "not a GUID: '" + part.value.text + "'");
      continue;
    }
    int hi = hexDigit(s[i]);
    int lo = hexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return badValue(part, "not a GUID: '" + part.value.text + "'");
    b.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    i += 2;
  }
  return b;
}

// "-123.45" with the column's scale -> sign and a 16-byte big-endian magnitude.
Result<Bytes> decimalMagnitude(const KeyPart& part, bool& negative) {
  std::string_view s = part.value.text;
  negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  Bytes mag(16, 0);
  int fraction = -1;  // digits seen after the point, -1 before it
  bool anyDigit = false;
  auto times10plus = [&](int digit) {
    unsigned carry = static_cast<unsigned>(digit);
    for (std::size_t i = mag.size(); i-- > 0;) {
      unsigned v = mag[i] * 10u + carry;
      mag[i] = static_cast<std::uint8_t>(v & 0xFF);
      carry = v >> 8;
    }
    return carry == 0;
  };
  for (char c : s) {
    if (c == '.' && fraction < 0) {
      fraction = 0;
      continue;
    }
    if (c < '0' || c > '9') return badValue(part, "not a decimal: '" + part.value.text + "'");
    anyDigit = true;
    if (fraction >= 0 && fraction >= part.scale) {
      if (c != '0') return badValue(part, "more decimals than the column's scale");
      continue;
    }
    if (!times10plus(c - '0')) return badValue(part, "decimal out of range");
    if (fraction >= 0) ++fraction;
  }
  if (!anyDigit) return badValue(part, "not a decimal: '" + part.value.text + "'");
  for (int f = std::max(fraction, 0); f < part.scale; ++f) {
    if (!times10plus(0)) return badValue(part, "decimal out of range");
  }
  bool zero = true;
  for (auto b : mag) zero = zero && b == 0;
  if (zero) negative = false;
  return mag;
}

// Sign byte then magnitude. Jet3/Jet4 files keep Access's old descending order (it put
// negatives after positives); ACE files sort descending decimals properly.
Result<Bytes> decimalKey(const KeyPart& part) {
  bool negative = false;
  JET_ASSIGN_OR_RETURN(Bytes mag, decimalMagnitude(part, negative));
  Bytes b{static_cast<std::uint8_t>(negative ? 0x80 : 0x00)};
  b.insert(b.end(), mag.begin(), mag.end());
  const bool legacy = part.version <= Version::kJet4;
  if (legacy) {
    if (negative == part.ascending) invert(b);
    b[0] = negative ? 0x00 : 0xFF;
  } else {
    b[0] = 0xFF;
    if (negative == part.ascending) invert(b);
  }
  return b;
}

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t daysInMonth(std::int64_t y, std::int64_t m) {
  constexpr std::int64_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

bool readNumber(std::string_view s, std::size_t at, std::size_t len, std::int64_t& out) {
  if (at + len > s.size()) return false;
  out = 0;
  for (std::size_t i = at; i < at + len; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

void putDigits(Bytes& b, std::int64_t v, std::size_t len) {
  std::size_t end = b.size() + len;
  b.resize(end);
  for (std::size_t i = end; i-- > end - len;) {
    b[i] = static_cast<std::uint8_t>('0' + v % 10);
    v /= 10;
  }
}

// Date/Time Extended as stored: 19 digits of days since 0001-01-01, ':', 12 digits of seconds
// of the day, 7 digits of 100 ns, ':', '7', 00. Input: "YYYY-MM-DD[THH:MM:SS[.fffffff]]".
Result<Bytes> extDateBytes(const KeyPart& part) {
  std::string_view s = part.value.text;
  std::int64_t y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, frac = 0;
  bool ok = readNumber(s, 0, 4, y) && s.size() >= 10 && s[4] == '-' && readNumber(s, 5, 2, mo) &&
            s[7] == '-' && readNumber(s, 8, 2, d) && mo >= 1 && mo <= 12 && d >= 1 &&
            d <= daysInMonth(y, mo);
  if (ok && s.size() > 10) {
    ok = (s[10] == 'T' || s[10] == ' ') && readNumber(s, 11, 2, h) && s.size() >= 19 &&
         s[13] == ':' && readNumber(s, 14, 2, mi) && s[16] == ':' && readNumber(s, 17, 2, sec);
    if (ok && s.size() > 19) {
      std::size_t digits = s.size() - 20;
      ok = s[19] == '.' && digits >= 1 && digits <= 7 && readNumber(s, 20, digits, frac);
      for (std::size_t i = digits; ok && i < 7; ++i) frac *= 10;
    }
  }
  ok = ok && y >= 1 && h < 24 && mi < 60 && sec < 60;
  if (!ok) return badValue(part, "not a date and time: '" + part.value.text + "'");
  Bytes b;
  putDigits(b,
            daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) -
                daysFromCivil(1, 1, 1),
            19);
  b.push_back(':');
  putDigits(b, h * 3600 + mi * 60 + sec, 12);
  putDigits(b, frac, 7);
  b.insert(b.end(), {':', '7', 0x00});
  return b;
}

// Five groups of eight bytes each followed by 09, the last two bytes, then a fixed trailer;
// descending inverts all but the 09s.
Result<Bytes> extDateKey(const KeyPart& part) {
  JET_ASSIGN_OR_RETURN(Bytes v, extDateBytes(part));
  if (!part.ascending) invert(v);
  Bytes b;
  for (std::size_t g = 0; g < 5; ++g) {
    b.insert(b.end(), v.begin() + static_cast<std::ptrdiff_t>(8 * g),
             v.begin() + static_cast<std::ptrdiff_t>(8 * g + 8));
    b.push_back(0x09);
  }
  b.insert(b.end(), v.begin() + 40, v.end());
  Bytes trailer{0, 0, 0, 0, 0, 0, 0x02};
  if (!part.ascending) invert(trailer);
  b.insert(b.end(), trailer.begin(), trailer.end());
  return b;
}

Result<Bytes> textKey(const KeyPart& part) {
  auto ucs2 = encodeUcs2(part.value.text);
  if (!ucs2.ok()) return badValue(part, ucs2.error().description);
  const Bytes& le = *ucs2;
  std::u16string units(le.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(le[2 * i] | (le[2 * i + 1] << 8));
  }
  // In an Access 97 file U+FFFD stands for a byte the code page leaves undefined: the byte, and
  // so the key Access made from it, is unknown.
  if (part.sortOrder == TextSortOrder::kGeneral97 && units.find(u'\uFFFD') != units.npos) {
    return Error{err::kUnsupported,
                 "index key for column '" + part.column +
                     "': the text holds a character its code page does not define"};
  }
  Bytes b;
  appendTextKey(part.sortOrder, units, part.ascending, b);
  return b;
}

// The bytes after the start flag of a non-null value.
Result<Bytes> valueKey(const KeyPart& part) {
  const Value& v = part.value;
  switch (part.type) {
    case ColumnType::kByte:
      return byteKey(part);
    case ColumnType::kInteger:
      return integerKey(part, 2);
    case ColumnType::kLong:
    case ColumnType::kComplex:
      return integerKey(part, 4);
    case ColumnType::kCurrency:
    case ColumnType::kBigInt:
      return integerKey(part, 8);
    case ColumnType::kSingle:
      return floatingKey(std::bit_cast<std::uint32_t>(static_cast<float>(v.real)), 4,
                         part.ascending);
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return floatingKey(std::bit_cast<std::uint64_t>(v.real), 8, part.ascending);
    case ColumnType::kNumeric:
      return decimalKey(part);
    case ColumnType::kDateTimeExt:
      return extDateKey(part);
    case ColumnType::kText:
    case ColumnType::kMemo:
      return textKey(part);
    case ColumnType::kGuid: {
      JET_ASSIGN_OR_RETURN(Bytes g, guidBytes(part));
      Bytes b;
      appendGroupedBinary(g, part.ascending, b);
      return b;
    }
    case ColumnType::kBinary: {
      Bytes b;
      appendGroupedBinary(v.bytes, part.ascending, b);
      return b;
    }
    default:
      break;
  }
  return Error{err::kUnsupported, "index key for column '" + part.column + "': columns of type " +
                                      std::to_string(static_cast<int>(part.type)) +
                                      " cannot be indexed"};
}

Status appendPart(const KeyPart& part, Bytes& out) {
  if (part.type == ColumnType::kBoolean) {
    // Booleans are never null in an index; true sorts first.
    out.push_back(part.ascending ? kAscStart : kDescStart);
    out.push_back(part.value.boolean == part.ascending ? 0x00 : 0xFF);
    return Status::success();
  }
  if (part.value.isNull) {
    out.push_back(part.ascending ? kAscNull : kDescNull);
    return Status::success();
  }
  JET_ASSIGN_OR_RETURN(Bytes bytes, valueKey(part));
  out.push_back(part.ascending ? kAscStart : kDescStart);
  out.insert(out.end(), bytes.begin(), bytes.end());
  return Status::success();
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeIndexKey(const std::vector<KeyPart>& parts) {
  Bytes key;
  for (const KeyPart& part : parts) JET_TRY(appendPart(part, key));
  return key;
}

Result<TextSortOrder> textSortOrderOf(Version version, std::uint16_t sortOrder,
                                      std::uint8_t sortOrderVersion, std::string_view column) {
  if (sortOrder == kGeneralLcid) {
    if (version == Version::kJet3) return TextSortOrder::kGeneral97;
    if (sortOrderVersion == 0) return TextSortOrder::kGeneralLegacy;
    if (sortOrderVersion == 1) return TextSortOrder::kGeneral;
  }
  return Error{err::kUnsupported, "column '" + std::string(column) + "' uses sort order " +
                                      std::to_string(sortOrder) + " version " +
                                      std::to_string(sortOrderVersion) +
                                      "; only the \"General\" sort orders (1033) can be indexed"};
}

std::string_view textSortOrderName(TextSortOrder order) {
  switch (order) {
    case TextSortOrder::kGeneral97:
      return "General 97";
    case TextSortOrder::kGeneralLegacy:
      return "General Legacy";
    case TextSortOrder::kGeneral:
      return "General";
  }
  return "General";
}

Result<KeyPart> keyPartOf(const Column& c, bool ascending, Version version) {
  KeyPart p;
  p.type = c.type;
  p.ascending = ascending;
  p.version = version;
  p.scale = c.scale;
  p.column = c.name;
  if (c.type == ColumnType::kText || c.type == ColumnType::kMemo) {
    JET_ASSIGN_OR_RETURN(p.sortOrder,
                         textSortOrderOf(version, c.sortOrder, c.sortOrderVersion, c.name));
  }
  return p;
}

}  // namespace jet
