// text_codec.cpp: UCS-2 (plain and compressed) and code-page text <-> UTF-8.
// See docs/format/text.md for the stored forms.
#include "jet/core/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

namespace {

// Writes UTF-8 through a raw pointer into room reserved beforehand: at most three bytes per
// UTF-16 unit, four per surrogate pair, so two bytes of output per stored byte always suffice.
inline char* putUtf8(char* p, char32_t c) {
  if (c < 0x80) {
    *p++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *p++ = static_cast<char>(0xC0 | (c >> 6));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (c >> 12));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (c >> 18));
    *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return p;
}

// Turns a sequence of UTF-16 code units into UTF-8, pairing surrogates; a lone surrogate
// becomes U+FFFD.
class Utf16Sink {
 public:
  explicit Utf16Sink(char* out) : p_(out) {}
  void put(char16_t u) {
    if (u < 0x80 && pendingHigh_ == 0) {
      *p_++ = static_cast<char>(u);
      return;
    }
    if (pendingHigh_ != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        char32_t c = 0x10000 + ((static_cast<char32_t>(pendingHigh_) - 0xD800) << 10) +
                     (static_cast<char32_t>(u) - 0xDC00);
        pendingHigh_ = 0;
        p_ = putUtf8(p_, c);
        return;
      }
      pendingHigh_ = 0;
      p_ = putUtf8(p_, kReplacement);
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      pendingHigh_ = u;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      p_ = putUtf8(p_, kReplacement);
    } else {
      p_ = putUtf8(p_, u);
    }
  }
  // Bytes of one byte a character (Latin-1). Runs of plain ASCII are copied eight bytes at a
  // time; an eight-byte block holding another character is done byte by byte, and so is the
  // tail. The output pointer is kept in a local: stores through a char pointer may alias the
  // member, which would make the compiler reload it after every byte.
  void putNarrow(const std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    if (n != 0 && pendingHigh_ != 0) put(static_cast<char16_t>(b[i++]));
    char* p = p_;
    while (i < n) {
#if defined(__SSE2__)
      for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        if (_mm_movemask_epi8(v) != 0) break;  // a byte with its high bit set
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
        p += 16;
      }
#endif
      for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, b + i, 8);
        if ((w & 0x8080808080808080u) != 0) break;
        std::memcpy(p, b + i, 8);
        p += 8;
      }
      for (const std::size_t stop = std::min(n, i + 8); i < stop; ++i) {
        const std::uint8_t c = b[i];
        if (c < 0x80) {
          *p++ = static_cast<char>(c);
        } else {
          *p++ = static_cast<char>(0xC0 | (c >> 6));
          *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
      }
    }
    p_ = p;
  }
  // Little-endian UTF-16 units: runs of ASCII four units at a time, likewise; units outside the
  // surrogate range are written directly, surrogates go through put(), which pairs them.
  void putWide(const std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    char* p = p_;
    while (i + 1 < n) {
      if (pendingHigh_ != 0) {
        p_ = p;
        put(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
        p = p_;
        i += 2;
        continue;
      }
      for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, b + i, 8);
        if ((w & 0xFF80FF80FF80FF80u) != 0) break;
        p[0] = static_cast<char>(b[i]);
        p[1] = static_cast<char>(b[i + 2]);
        p[2] = static_cast<char>(b[i + 4]);
        p[3] = static_cast<char>(b[i + 6]);
        p += 4;
      }
      for (const std::size_t stop = std::min(n, i + 8); i + 1 < stop; i += 2) {
        const char16_t u = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
        if (u < 0x80) {
          *p++ = static_cast<char>(u);
        } else if (u < 0x800) {
          *p++ = static_cast<char>(0xC0 | (u >> 6));
          *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0xD800 || u > 0xDFFF) {
          *p++ = static_cast<char>(0xE0 | (u >> 12));
          *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
          *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else {
          p_ = p;
          put(u);
          p = p_;
          if (pendingHigh_ != 0) {
            i += 2;
            break;
          }
        }
      }
    }
    p_ = p;
  }
  char* finish() {
    if (pendingHigh_ != 0) p_ = putUtf8(p_, kReplacement);
    pendingHigh_ = 0;
    return p_;
  }

 private:
  char* p_;
  char16_t pendingHigh_ = 0;
};

void decodeSegment(std::span<const std::uint8_t> seg, bool oneByte, Utf16Sink& sink) {
  if (oneByte) {
    sink.putNarrow(seg.data(), seg.size());
    return;
  }
  sink.putWide(seg.data(), seg.size());
}

bool isCompressed(std::span<const std::uint8_t> s) {
  return s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE;
}

}  // namespace

bool nextCodePoint(std::string_view s, std::size_t& i, char32_t& c) {
  auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  std::uint8_t b0 = byte(i);
  int extra = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    c = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1Fu, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0Fu, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07u, min = 0x10000;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    std::uint8_t b = byte(i + static_cast<std::size_t>(k));
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3Fu);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

namespace {

// Windows-1252 bytes 0x80-0x9F. Windows maps the five bytes the code page leaves undefined to the
// C1 controls of the same value, so they survive a read and a write unchanged; so do we.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isCp1252(std::uint16_t codePage) { return codePage == 0 || codePage == 1252; }

char16_t cp1252ToUnicode(std::uint8_t b) {
  return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
}

bool unicodeToCp1252(char32_t c, std::uint8_t& out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    out = static_cast<std::uint8_t>(c);
    return true;
  }
  for (std::uint8_t i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) {
      out = static_cast<std::uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

std::string charsetName(std::uint16_t codePage) {
  return "CP" + std::to_string(codePage == 0 ? 1252 : codePage);
}

}  // namespace

void decodeUcs2TextInto(std::span<const std::uint8_t> stored, std::string& out) {
  out.resize(2 * stored.size() + 4);
  Utf16Sink sink(out.data());
  if (!isCompressed(stored)) {
    decodeSegment(stored, false, sink);
  } else {
    // Compressed: every 0x00 byte switches between one byte per character and two.
    bool oneByte = true;
    std::size_t start = 2;
    while (start < stored.size()) {
      const void* zero = std::memchr(stored.data() + start, 0, stored.size() - start);
      if (zero == nullptr) break;
      const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - stored.data());
      decodeSegment(stored.subspan(start, i - start), oneByte, sink);
      oneByte = !oneByte;
      start = i + 1;
    }
    decodeSegment(stored.subspan(start), oneByte, sink);
  }
  out.resize(static_cast<std::size_t>(sink.finish() - out.data()));
}

std::string decodeUcs2Text(std::span<const std::uint8_t> stored) {
  std::string out;
  decodeUcs2TextInto(stored, out);
  return out;
}

Result<std::vector<std::uint8_t>> encodeUcs2(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    out.resize(out.size() + 2);
    put16(out, out.size() - 2, static_cast<std::uint16_t>(u));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out.push_back(static_cast<std::uint8_t>(utf8[i++]));
      out.push_back(0);
      continue;
    }
    std::size_t at = i;
    char32_t c = 0;
    if (!nextCodePoint(utf8, i, c)) {
      return Error{err::kCantConvertValue,
                   "text is not valid UTF-8 at byte " + std::to_string(at)};
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

std::vector<std::uint8_t> compressUcs2(std::span<const std::uint8_t> ucs2) {
  auto plain = [&] { return std::vector<std::uint8_t>(ucs2.begin(), ucs2.end()); };
  if (ucs2.empty() || ucs2.size() % 2 != 0) return plain();  // no bare marker for no text
  // Written through a pointer: a character adds at most three bytes (a switch and two), and the
  // plain form is taken as soon as the compressed one is no shorter.
  std::vector<std::uint8_t> out(ucs2.size() + 3);
  std::uint8_t* p = out.data();
  const std::uint8_t* const limit = out.data() + ucs2.size();
  *p++ = 0xFF;
  *p++ = 0xFE;
  bool oneByte = true;
  for (std::size_t i = 0; i < ucs2.size(); i += 2) {
    // A character whose low byte is zero would read back as a mode switch: not compressible.
    if (ucs2[i] == 0x00) return plain();
    const bool narrow = ucs2[i + 1] == 0x00;
    if (narrow != oneByte) {
      *p++ = 0x00;
      oneByte = narrow;
    }
    *p++ = ucs2[i];
    if (!narrow) *p++ = ucs2[i + 1];
    if (p >= limit) return plain();
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

Result<std::vector<std::uint8_t>> encodeStoredUcs2(std::string_view utf8, bool compress) {
  bool ascii = true;  // and no NUL: each character is one byte compressed, two plain
  for (const char c : utf8) ascii &= static_cast<unsigned char>(c) - 1u < 0x7Fu;
  if (!ascii) {
    auto ucs2 = encodeUcs2(utf8);
    if (!ucs2 || !compress) return ucs2;
    return compressUcs2(*ucs2);
  }
  std::vector<std::uint8_t> out;
  // The compressed form, two bytes of marker and one a character, is the shorter from three on.
  if (compress && utf8.size() >= 3) {
    out.reserve(utf8.size() + 2);
    out.push_back(0xFF);
    out.push_back(0xFE);
    out.insert(out.end(), utf8.begin(), utf8.end());
    return out;
  }
  out.assign(2 * utf8.size(), 0);
  for (std::size_t i = 0; i < utf8.size(); ++i) out[2 * i] = static_cast<std::uint8_t>(utf8[i]);
  return out;
}

std::string decodeCodePage(std::span<const std::uint8_t> stored, std::uint16_t codePage) {
  std::string out;
  if (isCp1252(codePage)) {
    out.reserve(stored.size());
    for (std::uint8_t b : stored) appendUtf8(out, cp1252ToUnicode(b));
    return out;
  }
  iconv_t cd = iconv_open("UTF-8", charsetName(codePage).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (std::uint8_t b : stored) appendUtf8(out, b < 0x80 ? b : kReplacement);
    return out;
  }
  std::vector<char> in(stored.begin(), stored.end());
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char buf[1024];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Undefined or incomplete byte: one replacement character, then go on after it.
      appendUtf8(out, kReplacement);
      ++inPtr;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

Result<std::vector<std::uint8_t>> encodeCodePage(std::string_view utf8, std::uint16_t codePage) {
  if (isCp1252(codePage)) {
    std::vector<std::uint8_t> out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
      std::size_t at = i;
      char32_t c = 0;
      std::uint8_t b = 0;
      if (!nextCodePoint(utf8, i, c)) {
        return Error{err::kCantConvertValue, "text is not valid UTF-8 at byte " +
                                                 std::to_string(at)};
      }
      if (!unicodeToCp1252(c, b)) {
        return Error{err::kCantConvertValue, "the character at byte " + std::to_string(at) +
                                                 " of the text has no place in code page 1252"};
      }
      out.push_back(b);
    }
    return out;
  }
  std::string name = charsetName(codePage);
  iconv_t cd = iconv_open(name.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return Error{err::kUnsupported, "code page " + std::to_string(codePage) + " is not available"};
  }
  std::vector<char> in(utf8.begin(), utf8.end());
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  std::vector<std::uint8_t> out;
  char buf[1024];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.insert(out.end(), buf, outPtr);
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      std::size_t at = in.size() - inLeft;
      iconv_close(cd);
      return Error{err::kCantConvertValue, "the character at byte " + std::to_string(at) +
                                               " of the text has no place in code page " +
                                               std::to_string(codePage == 0 ? 1252 : codePage)};
    }
  }
  iconv_close(cd);
  return out;
}

std::size_t utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto b = static_cast<std::uint8_t>(utf8[i]);
    if ((b & 0xC0) == 0x80) continue;  // continuation byte
    n += (b >= 0xF0) ? 2 : 1;
  }
  return n;
}

}  // namespace jet
