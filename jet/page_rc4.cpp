// page_rc4.cpp: RC4 key schedule and stream over one page.
#include "jet/page_rc4.h"

#include <array>
#include <utility>

namespace jet {

void applyPageRc4(std::uint32_t encodingKey, std::uint32_t page, std::span<std::uint8_t> data) {
  std::uint32_t k = encodingKey ^ page;
  std::array<std::uint8_t, 4> key{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                  static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
  std::array<std::uint8_t, 256> s{};
  for (std::size_t i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + key[i % 4]);
    std::swap(s[i], s[j]);
  }
  std::uint8_t a = 0;
  std::uint8_t b = 0;
  for (auto& byte : data) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    byte = static_cast<std::uint8_t>(byte ^ s[static_cast<std::uint8_t>(s[a] + s[b])]);
  }
}

}  // namespace jet
