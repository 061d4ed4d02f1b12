// rc4_test.cpp: RC4 against published test vectors, and the page coding being its own inverse.
#include "jet/pager/rc4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/pager/page_codec.h"

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

TEST(PageCodec, CodingTwiceRestoresAndPageZeroIsPlain) {
  std::vector<std::uint8_t> page(4096);
  for (std::size_t n = 0; n < page.size(); ++n) page[n] = static_cast<std::uint8_t>(n * 7);
  auto coded = page;
  codePage(0xA7B773E0, 5, coded);
  EXPECT_NE(coded, page);
  auto other = page;
  codePage(0xA7B773E0, 6, other);
  EXPECT_NE(other, coded);  // the key depends on the page number
  codePage(0xA7B773E0, 5, coded);
  EXPECT_EQ(coded, page);
  codePage(0xA7B773E0, 0, coded);
  EXPECT_EQ(coded, page);
}

}  // namespace
}  // namespace jet
