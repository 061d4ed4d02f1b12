// rc4.h: the RC4 stream cipher, used to unmask the header page and to encode the pages of
// RC4-encoded Jet files. Not a security measure: the keys sit in the file.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const std::uint8_t> key);
  // XORs `data` in place with the next bytes of the key stream.
  void apply(std::span<std::uint8_t> data);

 private:
  std::array<std::uint8_t, 256> s_{};
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

// One-shot form: XORs `data` with the key stream of `key` from its start.
void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace jet
