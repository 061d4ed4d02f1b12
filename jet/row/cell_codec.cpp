// cell_codec.cpp: reading and making single cells. Layouts: docs/format/row.md.
#include "jet/row/cell_codec.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

#include "jet/core/civil_date.h"
#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"
#include "jet/row/long_value.h"

namespace jet {
namespace {

constexpr std::size_t kCalcHeader = 16;  // then u32 length, then the value
constexpr std::size_t kNumericSize = fixedSize(ColumnType::kNumeric, 0);

Error shortValue(std::size_t have, std::size_t need) {
  return Error{err::kBadPage, "value of " + std::to_string(have) + " bytes, " +
                                  std::to_string(need) + " expected"};
}

template <typename T>
T bitsAs(std::uint64_t bits) {
  T out;
  if constexpr (sizeof(T) == 4) {
    auto b32 = static_cast<std::uint32_t>(bits);
    std::memcpy(&out, &b32, sizeof out);
  } else {
    std::memcpy(&out, &bits, sizeof out);
  }
  return out;
}

// Into `out`, reusing its room: a scan decodes every row's texts into the same strings.
void decodeText(Bytes raw, const CellContext& ctx, std::string& out) {
  if (ctx.format.jet3) {
    out = decodeCodePage(raw, ctx.codePage);
  } else {
    decodeUcs2TextInto(raw, out);
  }
}

// The bytes of a memo on its way to text, kept from cell to cell (a huge one is let go).
class MemoScratch {
 public:
  std::vector<std::uint8_t>& get() { return bytes_; }
  void done() {
    if (bytes_.capacity() > kKeep) std::vector<std::uint8_t>().swap(bytes_);
  }

 private:
  static constexpr std::size_t kKeep = std::size_t{1} << 20;
  std::vector<std::uint8_t> bytes_;
};

MemoScratch& memoScratch() {
  thread_local MemoScratch scratch;
  return scratch;
}

Status decodeMemoText(Bytes descriptor, const CellContext& ctx, std::string& out) {
  MemoScratch& scratch = memoScratch();
  Status read = ctx.longValues.readInto(descriptor, scratch.get());
  if (read.ok()) decodeText(scratch.get(), ctx, out);
  scratch.done();
  return read;
}

// Divides a big-endian array of 32-bit words by 10; returns the remainder.
std::uint32_t divideBy10(std::array<std::uint32_t, 4>& words) {
  std::uint64_t rem = 0;
  for (auto& w : words) {
    std::uint64_t cur = (rem << 32) | w;
    w = static_cast<std::uint32_t>(cur / 10);
    rem = cur % 10;
  }
  return static_cast<std::uint32_t>(rem);
}

// Digits with a decimal point `scale` places from the right, and a sign.
std::string placePoint(std::string digits, std::size_t scale, bool negative) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + digits;
}

Status decodeFixedNumber(ColumnType type, Bytes raw, Value& v) {
  std::size_t need = fixedSize(type, 0);
  if (raw.size() < need) return shortValue(raw.size(), need);
  switch (type) {
    case ColumnType::kByte:
      v.integer = raw[0];
      break;
    case ColumnType::kInteger:
      v.integer = static_cast<std::int16_t>(u16(raw, 0));
      break;
    case ColumnType::kLong:
    case ColumnType::kComplex:
      v.integer = static_cast<std::int32_t>(u32(raw, 0));
      break;
    case ColumnType::kBigInt:
      v.integer = static_cast<std::int64_t>(u64(raw, 0));
      break;
    case ColumnType::kCurrency:
      v.integer = static_cast<std::int64_t>(u64(raw, 0));
      v.text = currencyText(v.integer);
      break;
    case ColumnType::kSingle:
      v.real = bitsAs<float>(u32(raw, 0));
      break;
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      v.real = bitsAs<double>(u64(raw, 0));
      break;
    case ColumnType::kGuid:
      v.text = guidText(raw);
      break;
    case ColumnType::kNumeric:
      v.text = numericText(raw, 0);
      break;
    default:
      break;
  }
  return {};
}

// A calculated decimal: u16 length, scale, sign, then the magnitude: a leading little-endian
// 32-bit word when the length is not a multiple of 8, then little-endian 64-bit words, most
// significant first.
std::string calculatedNumericText(Bytes raw) {
  if (raw.size() < 4) return {};
  std::size_t total = u16(raw, 0);
  std::size_t len = (total > 0 ? total : raw.size() - 2);
  len = len < 2 ? 0 : std::min<std::size_t>((len - 2) / 4 * 4, 16);
  len = std::min(len, (raw.size() - 4) / 4 * 4);
  std::uint8_t scale = raw[2];
  std::array<std::uint8_t, 17> plain{};  // the ordinary stored form: sign, four u32 words
  plain[0] = raw[3] != 0 ? 0x80 : 0;
  std::array<std::uint8_t, 16> be{};  // big-endian magnitude, right-aligned
  std::size_t pos = 0;
  Bytes mag = raw.subspan(4, len);
  auto put = [&](std::size_t from, std::size_t width) {
    for (std::size_t n = 0; n < width; ++n) be[16 - len + pos + n] = mag[from + width - 1 - n];
    pos += width;
  };
  if (len % 8 != 0) put(0, 4);
  while (pos < len) put(pos, 8);
  for (std::size_t w = 0; w < 4; ++w) {
    for (std::size_t n = 0; n < 4; ++n) plain[1 + 4 * w + n] = be[4 * w + 3 - n];
  }
  return numericText(plain, scale);
}

// Widens a calculated fixed value Access stored shorter than its type (sign-extended).
std::vector<std::uint8_t> widen(Bytes raw, std::size_t need) {
  std::vector<std::uint8_t> out(raw.begin(), raw.end());
  std::uint8_t fill = !raw.empty() && (raw.back() & 0x80) != 0 ? 0xFF : 0x00;
  out.resize(need, fill);
  return out;
}

Result<Bytes> unwrapCalculated(Bytes raw) {
  if (raw.size() < kCalcHeader + 4) return shortValue(raw.size(), kCalcHeader + 4);
  std::size_t len = u32(raw, kCalcHeader);
  if (len > raw.size() - kCalcHeader - 4) return shortValue(raw.size() - kCalcHeader - 4, len);
  return raw.subspan(kCalcHeader + 4, len);
}

}  // namespace

std::string currencyText(std::int64_t scaled) {
  bool negative = scaled < 0;
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  return placePoint(std::to_string(magnitude), 4, negative);
}

std::string numericText(Bytes stored, std::uint8_t scale) {
  if (stored.size() < kNumericSize) return {};
  std::array<std::uint32_t, 4> words{};
  for (std::size_t n = 0; n < 4; ++n) words[n] = u32(stored, 1 + 4 * n);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + divideBy10(words)));
  } while (words[0] != 0 || words[1] != 0 || words[2] != 0 || words[3] != 0);
  return placePoint(digits, scale, (stored[0] & 0x80) != 0);
}

namespace {

// The value is stored as the column's result type, not the type the column was declared with.
Status decodeCalculated(const Column& col, Bytes raw, const CellContext& ctx, Value& v) {
  // A long-text result is stored as a long value (its column says text of length 0).
  bool longText =
      col.type == ColumnType::kMemo || (col.type == ColumnType::kText && col.length == 0);
  if (longText) {
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> data, ctx.longValues.read(raw));
    JET_ASSIGN_OR_RETURN(Bytes inner, unwrapCalculated(data));
    decodeText(inner, ctx, v.text);
    return {};
  }
  JET_ASSIGN_OR_RETURN(Bytes inner, unwrapCalculated(raw));
  switch (col.resultType) {
    case ColumnType::kText:
    case ColumnType::kMemo:
      decodeText(inner, ctx, v.text);
      return {};
    case ColumnType::kBoolean:
      v.boolean = !inner.empty() && inner[0] != 0;
      return {};
    case ColumnType::kNumeric:
      v.text = calculatedNumericText(inner);
      return {};
    default:
      break;
  }
  if (inner.empty()) {
    v.isNull = true;  // no result stored
    return {};
  }
  std::vector<std::uint8_t> wide =
      widen(inner, std::max(inner.size(), fixedSize(col.resultType, 0)));
  return decodeFixedNumber(col.resultType, wide, v);
}

}  // namespace

// Stored as ASCII "DDDDDDDDDDDDDDDDDDD:TTTTTTTTTTTTTTTTTTT:P": days since 0001-01-01, time of day
// in 100-nanosecond ticks, and the number of fraction digits to show.
std::string extendedDateText(Bytes stored) {
  std::string s(stored.begin(), stored.end());
  auto colon1 = s.find(':');
  auto colon2 = colon1 == std::string::npos ? colon1 : s.find(':', colon1 + 1);
  if (colon2 == std::string::npos) return s;
  auto number = [&](std::size_t from, std::size_t to, std::int64_t& out) {
    if (from >= to || to - from > 19) return false;
    out = 0;
    for (std::size_t n = from; n < to; ++n) {
      if (s[n] < '0' || s[n] > '9') return false;
      out = out * 10 + (s[n] - '0');
    }
    return true;
  };
  std::int64_t days = 0, ticks = 0, digits = 0;
  std::size_t end = s.find_first_not_of("0123456789", colon2 + 1);
  if (!number(0, colon1, days) || !number(colon1 + 1, colon2, ticks) ||
      !number(colon2 + 1, end == std::string::npos ? s.size() : end, digits) || days > 3652058 ||
      ticks >= 864000000000 || digits > 7) {
    return s;
  }
  const CivilDate date = civilFromDays(days - kDaysFrom0001To1970);
  std::int64_t seconds = ticks / 10000000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld",
                static_cast<long long>(date.year), static_cast<long long>(date.month),
                static_cast<long long>(date.day), static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  std::string out = buf;
  if (digits > 0) {
    std::snprintf(buf, sizeof buf, "%07lld", static_cast<long long>(ticks % 10000000));
    out += '.';
    out.append(buf, static_cast<std::size_t>(digits));
  }
  return out;
}

std::string guidText(Bytes s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // The first three groups are little-endian, the last two byte order as stored.
  static constexpr std::array<int, 16> kOrder = {3, 2, 1,  0,  5,  4,  7,  6,
                                                 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "{";
  for (std::size_t n = 0; n < kOrder.size(); ++n) {
    if (n == 4 || n == 6 || n == 8 || n == 10) out += '-';
    std::uint8_t b = s[static_cast<std::size_t>(kOrder[n])];
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out + "}";
}

Status decodeCell(const Column& col, Bytes raw, const CellContext& ctx, Value& v) {
  v.isNull = false;
  if (col.calculated()) return decodeCalculated(col, raw, ctx, v);
  switch (col.type) {
    case ColumnType::kText:
      decodeText(raw, ctx, v.text);
      return {};
    case ColumnType::kBinary:
    case ColumnType::kUnknown0D:
    case ColumnType::kUnknown11:
      v.bytes.assign(raw.begin(), raw.end());
      return {};
    case ColumnType::kMemo:
      return decodeMemoText(raw, ctx, v.text);
    case ColumnType::kOle:
      return ctx.longValues.readInto(raw, v.bytes);
    case ColumnType::kNumeric:
      if (raw.size() < kNumericSize) return shortValue(raw.size(), kNumericSize);
      v.text = numericText(raw, col.scale);
      return {};
    case ColumnType::kDateTimeExt:
      v.text = extendedDateText(raw);
      return {};
    default:
      return decodeFixedNumber(col.type, raw, v);
  }
}

namespace {

Error tooLong(std::size_t size, std::size_t limit, const char* unit) {
  return Error{err::kDataOverflow, "the text has " + std::to_string(size) + " " + unit +
                                       "; the column holds at most " + std::to_string(limit)};
}

Error unsupported() { return Error{err::kUnsupported, "this type cannot be written."}; }

Status checkRange(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  if (v < lo || v > hi) {
    return Error{err::kDataOverflow, "the value " + std::to_string(v) + " is out of range."};
  }
  return {};
}

template <typename T>
Status checkRangeOf(std::int64_t v) {
  return checkRange(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}

}  // namespace

Result<ByteVector> encodeTextValue(const Column& col, std::string_view utf8, const Format& f,
                                   std::uint16_t codePage) {
  const std::size_t chars = utf16Length(utf8);
  const bool text = col.type == ColumnType::kText;
  const std::size_t maxChars = f.jet3 ? col.length : col.length / 2u;
  if (text && chars > maxChars) return tooLong(chars, maxChars, "characters");
  if (f.jet3) {
    auto bytes = encodeCodePage(utf8, col.codePage != 0 ? col.codePage : codePage);
    if (!bytes) return Error{err::kCantConvertValue, bytes.error().description};
    if (text && bytes->size() > col.length) return tooLong(bytes->size(), col.length, "bytes");
    return std::move(bytes).value();
  }
  bool compress =
      chars > 0 && col.compressedUnicode() && (text || chars <= kMaxCompressedMemoChars);
  auto stored = encodeStoredUcs2(utf8, compress);
  if (!stored) return Error{err::kCantConvertValue, stored.error().description};
  return std::move(stored).value();
}

Result<ByteVector> encodeVariableCell(const Column& col, const Value& v, const Format& f,
                                      std::uint16_t codePage) {
  switch (col.type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
      return encodeTextValue(col, v.text, f, codePage);
    case ColumnType::kBinary:
      if (v.bytes.size() > col.length) {
        return Error{err::kDataOverflow, "the value is too long."};
      }
      return v.bytes;
    case ColumnType::kOle:
      return v.bytes;
    default:
      return unsupported();
  }
}

Status encodeFixedCell(std::span<std::uint8_t> fixed, const Column& col, const Value& v) {
  const std::size_t at = col.fixedOffset;
  switch (col.type) {
    case ColumnType::kByte:
      JET_TRY(checkRangeOf<std::uint8_t>(v.integer));
      put8(fixed, at, static_cast<std::uint8_t>(v.integer));
      return {};
    case ColumnType::kInteger:
      JET_TRY(checkRangeOf<std::int16_t>(v.integer));
      put16(fixed, at, static_cast<std::uint16_t>(v.integer));
      return {};
    case ColumnType::kLong:
      JET_TRY(checkRangeOf<std::int32_t>(v.integer));
      put32(fixed, at, static_cast<std::uint32_t>(v.integer));
      return {};
    case ColumnType::kCurrency:
      put64(fixed, at, static_cast<std::uint64_t>(v.integer));
      return {};
    case ColumnType::kSingle:
      put32(fixed, at, std::bit_cast<std::uint32_t>(static_cast<float>(v.real)));
      return {};
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      put64(fixed, at, std::bit_cast<std::uint64_t>(v.real));
      return {};
    default:
      return unsupported();
  }
}

}  // namespace jet
