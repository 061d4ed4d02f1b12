// crypto_primitives_test.cpp: each of Hash's two paths (fixed-size SHA structures, EVP) against
// OpenSSL's one-shot digest, with input in several parts.
#include "jet/pager/crypto_primitives.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

namespace jet {
namespace {

Bytes text(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Hash, EveryKindMatchesOneShotOpenSsl) {
  std::string whole = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  for (const char* name : {"SHA1", "SHA256", "SHA384", "SHA512", "MD5"}) {
    auto hash = Hash::create(name);
    ASSERT_TRUE(hash) << name;
    std::vector<std::uint8_t> expected(EVP_MAX_MD_SIZE), got(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    ASSERT_EQ(EVP_Digest(whole.data(), whole.size(), expected.data(), &size,
                         EVP_get_digestbyname(name), nullptr),
              1);
    ASSERT_EQ(hash->size(), size) << name;
    hash->digest({text(whole.substr(0, 3)), text(""), text(whole.substr(3))}, got);
    EXPECT_EQ(std::vector(got.begin(), got.begin() + size),
              std::vector(expected.begin(), expected.begin() + size))
        << name;
  }
  EXPECT_FALSE(Hash::create("NO-SUCH-HASH"));
}

}  // namespace
}  // namespace jet
