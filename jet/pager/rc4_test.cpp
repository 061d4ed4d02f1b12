// rc4_test.cpp: RC4 against published test vectors.
#include "jet/pager/rc4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace jet {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

TEST(Rc4, PublishedVectors) {
  auto data = bytesOf("Plaintext");
  rc4Apply(bytesOf("Key"), data);
  EXPECT_EQ(data,
            (std::vector<std::uint8_t>{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));
  data = bytesOf("Attack at dawn");
  rc4Apply(bytesOf("Secret"), data);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0x45, 0xA0, 0x1F, 0x64, 0x5F, 0xC3, 0x5B, 0x38, 0x35,
                                             0x52, 0x54, 0x4B, 0x9B, 0xF5}));
}

TEST(Rc4, StreamContinuesAcrossCalls) {
  auto whole = bytesOf("Attack at dawn");
  rc4Apply(bytesOf("Secret"), whole);
  auto parts = bytesOf("Attack at dawn");
  Rc4 cipher(bytesOf("Secret"));
  cipher.apply(std::span(parts).first(5));
  cipher.apply(std::span(parts).subspan(5));
  EXPECT_EQ(parts, whole);
}

}  // namespace
}  // namespace jet
