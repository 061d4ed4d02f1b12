// rc4.cpp: key schedule and key stream of RC4.
#include "jet/pager/rc4.h"

#include <utility>

namespace jet {

Rc4::Rc4(std::span<const std::uint8_t> key) {
  for (std::size_t n = 0; n < s_.size(); ++n) s_[n] = static_cast<std::uint8_t>(n);
  if (key.empty()) return;
  std::uint8_t j = 0;
  for (std::size_t n = 0; n < s_.size(); ++n) {
    j = static_cast<std::uint8_t>(j + s_[n] + key[n % key.size()]);
    std::swap(s_[n], s_[j]);
  }
}

void Rc4::apply(std::span<std::uint8_t> data) {
  for (auto& b : data) {
    i_ = static_cast<std::uint8_t>(i_ + 1);
    j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    b ^= s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
  }
}

void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  Rc4 cipher(key);
  cipher.apply(data);
}

}  // namespace jet
