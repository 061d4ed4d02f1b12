// accdb_codec_test.cpp: the .accdb ciphers on real encrypted files and on descriptors made by an
// independent encoder (tools/gen_accdb_crypto_vectors.py): the password check, decoded pages,
// encode as the exact inverse of decode, and descriptors that must be refused.
#include "jet/pager/accdb_codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "jet/core/error_codes.h"
#include "jet/pager/header.h"
#include "jet/pager/office_crypto.h"

namespace jet {
namespace {

constexpr std::size_t kPage = 4096;

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> pageOf(const std::vector<std::uint8_t>& file, std::size_t n) {
  auto at = file.begin() + static_cast<std::ptrdiff_t>(n * kPage);
  return {at, at + static_cast<std::ptrdiff_t>(kPage)};
}

void expectWrongPassword(const Result<std::unique_ptr<PageCodec>>& r, const std::string& given) {
  ASSERT_FALSE(r.ok()) << "accepted '" << given << "'";
  EXPECT_EQ(r.error().number, err::kAuthFailed);
  EXPECT_EQ(r.error().description, "Not a valid password.");
}

struct EncryptedFile {
  const char* file;
  const char* password;
  const char* kind;
  const char* cipher;
  const char* hash;
};

std::ostream& operator<<(std::ostream& os, const EncryptedFile& f) { return os << f.file; }

class EncryptedCorpus : public ::testing::TestWithParam<EncryptedFile> {
 protected:
  void SetUp() override {
    path_ = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam().file;
    file_ = readFile(path_);
    auto h = parseHeader(file_, path_, file_.size());
    ASSERT_TRUE(h.ok()) << h.error().description;
    header_ = h->page;
  }
  std::string path_;
  std::vector<std::uint8_t> file_;
  std::vector<std::uint8_t> header_;
};

TEST_P(EncryptedCorpus, RightPasswordDecodesEveryPageAndEncodeRestoresIt) {
  auto codec = openAccdbCodec(header_, GetParam().password, path_);
  ASSERT_TRUE(codec.ok()) << codec.error().description;
  std::size_t pages = file_.size() / kPage;
  for (std::size_t n = 1; n < pages; ++n) {
    auto stored = pageOf(file_, n);
    auto page = stored;
    (*codec)->decode(static_cast<std::uint32_t>(n), page);
    if (n == 1) {  // a data page: the global usage map
      EXPECT_EQ(page[0], 0x01);
      EXPECT_EQ(page[1], 0x01);
    }
    if (n == 2) {  // MSysObjects' definition: a system table, next page in range
      EXPECT_EQ(page[0], 0x02);
      EXPECT_EQ(page[1], 0x01);
      EXPECT_LT(u32(page, 4), pages);
      EXPECT_EQ(page[40], 0x53);
    }
    (*codec)->encode(static_cast<std::uint32_t>(n), page);
    ASSERT_EQ(page, stored) << "page " << n;
  }
}

TEST_P(EncryptedCorpus, WrongEmptyAndNonAsciiPasswordsAreRefused) {
  std::string right = GetParam().password;
  for (std::string given : {std::string(), right + "x", std::string("p\xC3\xA4ssw\xC3\xB6rd"),
                            std::string("\xFF\xFE")}) {
    expectWrongPassword(openAccdbCodec(header_, given, path_), given);
  }
}

TEST_P(EncryptedCorpus, DescriptionNamesKindCipherAndHash) {
  auto d = describeAccdbEncryption(header_, path_);
  ASSERT_TRUE(d.ok()) << d.error().description;
  EXPECT_EQ(d->kind, GetParam().kind);
  EXPECT_EQ(d->cipher, GetParam().cipher);
  EXPECT_EQ(d->hash, GetParam().hash);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EncryptedCorpus,
    ::testing::Values(EncryptedFile{"jackcess-encrypt/db2013-enc.accdb", "1234", "Office agile",
                                    "AES-256-CBC", "SHA512"},
                      EncryptedFile{"mdb-reader/password/V2010_with-password.accdb", "password",
                                    "Office agile", "AES-256-CBC", "SHA512"},
                      EncryptedFile{"mdb-reader/encryption/office-agile-4.2.accdb", "password",
                                    "RC4 CryptoAPI", "RC4-128", "SHA1"},
                      EncryptedFile{"tika/testAccess2_encrypted.accdb", "tika", "Office agile",
                                    "AES-256-CBC", "SHA512"}));

// ---- descriptors from the independent encoder: password "Secret1", page 0x12345 ----

const std::vector<std::uint8_t> kStandardVerifier = {
    0x6C, 0x6E, 0x5A, 0x5E, 0x2D, 0xE1, 0x5A, 0x44, 0x0A, 0xA8, 0x34, 0x81, 0xC7, 0x4D, 0xDA, 0x96,
    0x9F, 0x8A, 0xB8, 0x28, 0x24, 0x64, 0x4B, 0x9A, 0xCB, 0x5B, 0x31, 0x54, 0xF0, 0xB5, 0x75, 0x75,
    0x0C, 0xBE, 0xDC, 0x2E, 0x1D, 0x4F, 0x58, 0x20, 0x10, 0x68, 0xBA, 0xFD, 0xF0, 0x80, 0x01, 0xE7};

const std::vector<std::uint8_t> kStandardPageEnds = {
    0xBA, 0xE7, 0x28, 0xCA, 0x68, 0x9D, 0xAF, 0x81, 0x18, 0x2B, 0xDE, 0x4A, 0xB9, 0x0A, 0x1E, 0x25,
    0x87, 0x8F, 0x1B, 0xF3, 0x84, 0x3A, 0x3D, 0x12, 0x8C, 0xDE, 0x99, 0x0D, 0xC1, 0x70, 0xD3, 0x8F};

const std::string kAgileSha1Xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption"
    xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">
  <keyData saltSize="16" blockSize="16" keyBits="128" hashSize="20" cipherAlgorithm="AES"
    cipherChaining="ChainingModeCBC" hashAlgorithm="SHA1" saltValue="MDEyMzQ1Njc4OTo7PD0+Pw=="/>
  <keyEncryptors><keyEncryptor
    uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">
  <p:encryptedKey spinCount="1000" saltValue="UFFSU1RVVldYWVpbXF1eXw=="
    saltSize="16" blockSize="16" keyBits="128" hashSize="20" cipherAlgorithm="AES"
    cipherChaining="ChainingModeCBC" hashAlgorithm="SHA1"
    encryptedVerifierHashInput="803FkxbqCZa52c3KZDHGxQ=="
    encryptedVerifierHashValue="2jk+b/r+1Gy2YwCffXdzE2evg2xSnnJroR+q2cWUV2w="
    encryptedKeyValue="Bi9KDGVWwro+fhwhruPOwA=="/>
  </keyEncryptor></keyEncryptors>
</encryption>)";

const std::vector<std::uint8_t> kAgileSha1PageEnds = {
    0x9E, 0xCC, 0xDB, 0xD6, 0x4D, 0xA3, 0x9D, 0x5B, 0x75, 0x75, 0x37, 0x50, 0xB7, 0x8A, 0xB7, 0x51,
    0x1D, 0x30, 0x49, 0xE3, 0xB3, 0xF2, 0xA3, 0x54, 0xA2, 0x4B, 0x48, 0x86, 0x47, 0x00, 0x72, 0x5F};

const std::string kPath = "made-up.accdb";

void append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int n = 0; n < 4; ++n) b.push_back(static_cast<std::uint8_t>(v >> (8 * n)));
}

std::vector<std::uint8_t> headerWith(const std::vector<std::uint8_t>& descriptor) {
  std::vector<std::uint8_t> page(kPage);
  const std::uint8_t key[] = {0x5A, 0x17, 0xC3, 0x9E};
  std::copy(std::begin(key), std::end(key), page.begin() + 0x3E);
  put16(page, 0x299, static_cast<std::uint16_t>(descriptor.size()));
  std::copy(descriptor.begin(), descriptor.end(), page.begin() + 0x29B);
  return page;
}

std::vector<std::uint8_t> standardDescriptor() {
  std::vector<std::uint8_t> d = {4, 0, 2, 0};
  for (std::uint32_t v : {0x24u, 32u, 0x24u, 0u, 0x660Eu, 0x8004u, 128u, 0x18u, 0u, 0u, 16u}) {
    append32(d, v);  // flags, header size, header (no provider name), salt size
  }
  for (std::uint8_t s = 0x10; s < 0x20; ++s) d.push_back(s);
  d.insert(d.end(), kStandardVerifier.begin(), kStandardVerifier.begin() + 16);
  append32(d, 20);
  d.insert(d.end(), kStandardVerifier.begin() + 16, kStandardVerifier.end());
  return d;
}

std::vector<std::uint8_t> agileDescriptor(const std::string& xml) {
  std::vector<std::uint8_t> d(8 + xml.size());
  const std::uint8_t marker[] = {4, 0, 4, 0, 0x40, 0, 0, 0};
  std::copy(std::begin(marker), std::end(marker), d.begin());
  std::copy(xml.begin(), xml.end(), d.begin() + 8);
  return d;
}

// The encoder's page, encoded and decoded by the codec, against the encoder's cipher blocks.
void expectMatchesEncoder(const std::vector<std::uint8_t>& header,
                          const std::vector<std::uint8_t>& ends) {
  auto codec = openAccdbCodec(header, "Secret1", kPath);
  ASSERT_TRUE(codec.ok()) << codec.error().description;
  std::vector<std::uint8_t> plain(kPage);
  for (std::size_t n = 0; n < kPage; ++n) plain[n] = static_cast<std::uint8_t>(n * 7 + 3);
  auto page = plain;
  (*codec)->encode(0x12345, page);
  EXPECT_EQ(std::vector<std::uint8_t>(page.begin(), page.begin() + 16),
            std::vector<std::uint8_t>(ends.begin(), ends.begin() + 16));
  EXPECT_EQ(std::vector<std::uint8_t>(page.end() - 16, page.end()),
            std::vector<std::uint8_t>(ends.begin() + 16, ends.end()));
  (*codec)->decode(0x12345, page);
  EXPECT_EQ(page, plain);
  expectWrongPassword(openAccdbCodec(header, "secret1", kPath), "secret1");
}

TEST(AccdbCodec, OfficeStandardMatchesTheIndependentEncoder) {
  auto header = headerWith(standardDescriptor());
  expectMatchesEncoder(header, kStandardPageEnds);
  auto d = describeAccdbEncryption(header, kPath);
  ASSERT_TRUE(d.ok()) << d.error().description;
  EXPECT_EQ(d->kind, "Office standard");
  EXPECT_EQ(d->cipher, "AES-128-ECB");
  EXPECT_EQ(d->keyBits, 128);
}

TEST(AccdbCodec, AgileWithSha1AndAes128MatchesTheIndependentEncoder) {
  expectMatchesEncoder(headerWith(agileDescriptor(kAgileSha1Xml)), kAgileSha1PageEnds);
}

TEST(AccdbCodec, DescriptorsItCannotUseAreRefusedNamingTheFile) {
  auto expectError = [](std::vector<std::uint8_t> header, std::int32_t number,
                        const std::string& mentions) {
    auto r = openAccdbCodec(header, "Secret1", kPath);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, number) << r.error().description;
    EXPECT_NE(r.error().description.find(kPath), std::string::npos) << r.error().description;
    EXPECT_NE(r.error().description.find(mentions), std::string::npos) << r.error().description;
  };
  auto plain = headerWith(standardDescriptor());
  std::fill(plain.begin() + 0x3E, plain.begin() + 0x42, std::uint8_t{0});
  expectError(plain, err::kUnsupported, "not encrypted");

  auto tooLong = headerWith(standardDescriptor());
  put16(tooLong, 0x299, 0x1000);
  expectError(tooLong, err::kBadPage, "damaged");

  auto officeRc4 = headerWith(standardDescriptor());
  put16(officeRc4, 0x29B, 1);
  put16(officeRc4, 0x29D, 1);
  expectError(officeRc4, err::kUnsupported, "1.1");

  expectError(headerWith(agileDescriptor(kAgileSha1Xml.substr(0, 400))), err::kBadPage, "XML");

  std::string rc2 = kAgileSha1Xml;
  rc2.replace(rc2.find("\"AES\""), 5, "\"RC2\"");
  expectError(headerWith(agileDescriptor(rc2)), err::kUnsupported, "RC2");
}

// A new agile header opens with its password only, its codec and a reader's agree, and every
// encryption draws new salts and keys; a header that has a descriptor already gets no second.
TEST(AccdbCodec, NewAgileHeaderOpensWithItsPasswordOnly) {
  std::string path = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/empty-ace12.accdb";
  std::vector<std::uint8_t> file = readFile(path);
  auto plain = parseHeader(file, path, file.size());
  ASSERT_TRUE(plain.ok()) << plain.error().description;
  std::vector<std::uint8_t> first = plain->page, second = plain->page;
  auto written = encryptAccdbHeader(first, "Zoë 1234", "new.accdb");
  ASSERT_TRUE(written.ok()) << written.error().description;
  ASSERT_TRUE(encryptAccdbHeader(second, "Zoë 1234", "new.accdb").ok());
  EXPECT_NE(first, second);

  auto e = describeAccdbEncryption(first, "new.accdb");
  ASSERT_TRUE(e.ok()) << e.error().description;
  EXPECT_EQ(e->kind + " " + e->cipher + " " + e->hash, "Office agile AES-256-CBC SHA512");
  EXPECT_EQ(e->spinCount, 100000u);
  expectWrongPassword(openAccdbCodec(first, "zoë 1234", "new.accdb"), "zoë 1234");
  auto reopened = openAccdbCodec(first, "Zoë 1234", "new.accdb");
  ASSERT_TRUE(reopened.ok()) << reopened.error().description;
  std::vector<std::uint8_t> page = pageOf(file, 3), original = page;
  (*written)->encode(3, page);
  EXPECT_NE(page, original);
  (*reopened)->decode(3, page);
  EXPECT_EQ(page, original);

  auto again = encryptAccdbHeader(first, "other", "new.accdb");
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.error().description.find("new.accdb"), std::string::npos);
  std::vector<std::uint8_t> blank = plain->page;
  EXPECT_EQ(encryptAccdbHeader(blank, "", "new.accdb").error().number, err::kUnsupported);
  EXPECT_EQ(blank, plain->page);
}

}  // namespace
}  // namespace jet
