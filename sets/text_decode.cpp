// text_decode.cpp: UTF-16, UTF-8 and Windows-1252 bytes -> UTF-8.

#include "sets/text_decode.h"

#include <array>
#include <cstdint>

namespace sets {
namespace {

constexpr char32_t kReplacementChar = 0xFFFD;

// Windows-1252 0x80..0x9F. The five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D)
// map to the control characters of the same value, as Windows itself converts them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendUtf8(std::string& out, char32_t c) {
  auto put = [&out](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
  const auto v = static_cast<std::uint32_t>(c);
  if (v < 0x80) {
    put(v);
  } else if (v < 0x800) {
    put(0xC0 | (v >> 6));
    put(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    put(0xE0 | (v >> 12));
    put(0x80 | ((v >> 6) & 0x3F));
    put(0x80 | (v & 0x3F));
  } else {
    put(0xF0 | (v >> 18));
    put(0x80 | ((v >> 12) & 0x3F));
    put(0x80 | ((v >> 6) & 0x3F));
    put(0x80 | (v & 0x3F));
  }
}

std::uint8_t byteAt(std::string_view bytes, std::size_t i) {
  return static_cast<std::uint8_t>(bytes[i]);
}

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Length of the well-formed UTF-8 sequence at `i`, or 0 when it is not one (overlong forms,
// surrogates and values past U+10FFFF count as not well-formed).
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i) {
  const std::uint8_t lead = byteAt(bytes, i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  const std::uint8_t second = byteAt(bytes, i + 1);
  if (second < low || second > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byteAt(bytes, i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string decodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = byteAt(bytes, i);
    appendUtf8(out, b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80u] : char32_t{b});
  }
  return out;
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&](std::size_t i) -> char32_t {
    const char32_t first = byteAt(bytes, i);
    const char32_t second = byteAt(bytes, i + 1);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  const std::size_t end = bytes.size() - bytes.size() % 2;
  for (std::size_t i = 0; i < end; i += 2) {
    const char32_t unit = unitAt(i);
    if (isHighSurrogate(unit) && i + 2 < end && isLowSurrogate(unitAt(i + 2))) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
      i += 2;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendUtf8(out, kReplacementChar);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

std::string decodeSetFileText(std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::uint8_t first = byteAt(bytes, 0);
  if (first == 0xFF || first == 0xFE) {
    const bool bigEndian = bytes.size() >= 2 && first == 0xFE && byteAt(bytes, 1) == 0xFF;
    const bool hasMark =
        bytes.size() >= 2 && (bigEndian || (first == 0xFF && byteAt(bytes, 1) == 0xFE));
    return decodeUtf16(bytes.substr(hasMark ? 2 : 0), bigEndian);
  }
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  if (isValidUtf8(bytes)) return std::string(bytes);
  return decodeWindows1252(bytes);
}

}  // namespace sets
