// fold_case.cpp: case folding of the common alphabets, one code point at a time.
#include "jet/core/fold_case.h"

#include <cstddef>
#include <cstdint>

namespace jet {
namespace {

// Decodes one UTF-8 sequence at `at`; an invalid byte gives itself plus 0x110000 so that it only
// equals the same invalid byte.
char32_t decode(std::string_view s, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(at);
  std::size_t length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 0;
  if (length == 0 || at + length > s.size()) {
    ++at;
    return 0x110000u + lead;
  }
  char32_t cp = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return 0x110000u + lead;
    }
    cp = (cp << 6) | (byte(at + i) & 0x3Fu);
  }
  at += length;
  return cp;
}

char32_t fold(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
  if (c == 0x178) return 0xFF;                             // Y diaeresis
  if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    // Latin Extended-A pairs an upper-case letter with the next code; the pairs start on an
    // even code except in two runs.
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddUpper) return (c % 2 == 1) ? c + 1 : c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (fold(decode(a, i)) != fold(decode(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

std::string foldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const char32_t c = decode(text, i);
    if (c >= 0x110000u) {
      out.push_back(text[start]);  // an invalid byte stays itself
      continue;
    }
    const char32_t f = fold(c);
    if (f < 0x80) {
      out.push_back(static_cast<char>(f));
    } else if (f < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (f >> 6)));
      out.push_back(static_cast<char>(0x80 | (f & 0x3F)));
    } else if (f < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (f >> 12)));
      out.push_back(static_cast<char>(0x80 | ((f >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (f & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (f >> 18)));
      out.push_back(static_cast<char>(0x80 | ((f >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((f >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (f & 0x3F)));
    }
  }
  return out;
}

}  // namespace jet
