// quoting.cpp: JSON string escapes (with a check of each UTF-8 sequence) and CSV quoting.
#include "cli/quoting.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cli {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when the bytes there
// are not a valid, shortest-form sequence of a scalar value.
std::size_t validUtf8Length(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t len = 0;
  std::uint32_t cp = 0;
  if (b0 < 0x80) return 1;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1Fu;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0Fu;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07u;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  constexpr std::array<std::uint32_t, 5> kMinimum = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void appendControlEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      break;
  }
  constexpr std::string_view kHex = "0123456789abcdef";
  out += "\\u00";
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

}  // namespace

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101u;

// Whether any byte of `word` is `c`.
inline bool holdsByte(std::uint64_t word, unsigned char c) {
  const std::uint64_t v = word ^ (kOnes * c);
  return ((v - kOnes) & ~v & (kOnes << 7)) != 0;
}

// Whether all eight bytes of `word` are ASCII that a JSON string holds as it is: no control
// character, quote or backslash.
inline bool plainJsonWord(std::uint64_t word) {
  const bool control = ((word - kOnes * 0x20) & ~word & (kOnes << 7)) != 0;
  return (word & (kOnes << 7)) == 0 && !control && !holdsByte(word, '"') &&
         !holdsByte(word, '\\');
}

}  // namespace

// Runs of bytes that need no escape (checked eight at a time while they are plain ASCII) are
// appended in one piece.
void appendJsonString(std::string& out, std::string_view utf8) {
  out.reserve(out.size() + utf8.size() + 2);
  out += '"';
  std::size_t run = 0;  // start of the bytes not yet appended
  std::size_t i = 0;
  while (i < utf8.size()) {
    for (; i + 8 <= utf8.size(); i += 8) {
      std::uint64_t w;
      std::memcpy(&w, utf8.data() + i, 8);
      if (!plainJsonWord(w)) break;
    }
    if (i == utf8.size()) break;
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      if (const std::size_t len = validUtf8Length(utf8, i); len != 0) {
        i += len;
        continue;
      }
    }
    out.append(utf8.substr(run, i - run));
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      appendControlEscape(out, c);
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid sequence
    }
    run = ++i;
  }
  out.append(utf8.substr(run));
  out += '"';
}

std::string jsonString(std::string_view utf8) {
  std::string out;
  appendJsonString(out, utf8);
  return out;
}

namespace {

bool needsQuotes(std::string_view text) {
  auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"');
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 16 <= text.size(); i += 16) {  // sixteen bytes at a time
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (_mm_movemask_epi8(hit) != 0) return true;
  }
#endif
  for (; i + 8 <= text.size(); i += 8) {  // eight bytes at a time
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if (holdsByte(w, ',') || holdsByte(w, '"') || holdsByte(w, '\r') || holdsByte(w, '\n')) {
      return std::any_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), special);
    }
  }
  return std::any_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), special);
}

}  // namespace

void appendCsvField(std::string& out, std::string_view text) {
  if (!needsQuotes(text)) {
    out.append(text);
    return;
  }
  out += '"';
  for (std::size_t start = 0;;) {
    const std::size_t quote = text.find('"', start);
    if (quote == std::string_view::npos) {
      out.append(text.substr(start));
      break;
    }
    out.append(text.substr(start, quote + 1 - start));
    out += '"';
    start = quote + 1;
  }
  out += '"';
}

std::string csvField(std::string_view text) {
  std::string out;
  appendCsvField(out, text);
  return out;
}

}  // namespace cli
