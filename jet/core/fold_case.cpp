// fold_case.cpp: case folding of the common alphabets, one code point at a time.
#include "jet/core/fold_case.h"

#include <cstddef>
#include <cstdint>

#include "jet/core/text_codec.h"

namespace jet {
namespace {

// The code point at `at`, moving past it; an invalid byte gives itself plus 0x110000 so that it
// only equals the same invalid byte.
char32_t decode(std::string_view s, std::size_t& at) {
  char32_t c = 0;
  if (nextCodePoint(s, at, c)) return c;
  return 0x110000u + static_cast<unsigned char>(s[at++]);
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
    appendUtf8(out, fold(c));
  }
  return out;
}

}  // namespace jet
