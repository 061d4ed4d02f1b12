// accdb_codec.cpp: password check, key derivation and the page ciphers of encrypted .accdb
// files. Every page but page 0 is encrypted on its own; its number enters as a 4-byte block,
// little-endian(page number) XOR the encoding key. Layout and formulas:
// docs/format/encryption.md.
#include "jet/pager/accdb_codec.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <type_traits>

#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"
#include "jet/pager/crypto_primitives.h"
#include "jet/pager/office_crypto.h"
#include "jet/pager/rc4.h"

namespace jet {
namespace {

using Block = std::array<std::uint8_t, 4>;
using Buffer = std::array<std::uint8_t, 64>;  // the largest hash, IV or key we meet per page

constexpr std::size_t kMaxPasswordUnits = 255;  // UTF-16 units that count
constexpr Block kZeroBlock{};

Block pageBlock(const Block& encodingKey, std::uint32_t page) {
  Block b;
  for (std::size_t n = 0; n < b.size(); ++n) {
    b[n] = static_cast<std::uint8_t>(encodingKey[n] ^ (page >> (8 * n)));
  }
  return b;
}

// Copies `from` into `to`, cut to its size or padded with `pad`.
void fitTo(Bytes from, std::span<std::uint8_t> to, std::uint8_t pad) {
  std::size_t n = std::min(from.size(), to.size());
  std::copy_n(from.begin(), n, to.begin());
  std::fill(to.begin() + static_cast<std::ptrdiff_t>(n), to.end(), pad);
}

bool sameBytes(Bytes a, Bytes b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

Error wrongPassword() { return Error{err::kAuthFailed, "Not a valid password."}; }

// The binary descriptors' check: the decrypted verifier's SHA-1 starts with the decrypted hash.
bool verifierMatches(Hash& sha1, Bytes verifier, Bytes verifierHash, std::size_t size) {
  SecretBytes expected(sha1.size());
  sha1.digest({verifier}, expected);
  return sameBytes(Bytes(expected).first(size), verifierHash.first(size));
}

Error unsupported(const std::string& path, const std::string& what) {
  return accdbUnsupported(path, what);
}
Error damaged(const std::string& path, const std::string& what) { return accdbDamaged(path, what); }

// The password as the ciphers hash it: UTF-16LE, at most 255 units. Text that is not UTF-8
// cannot be the password.
Result<SecretBytes> passwordBytes(const std::string& password) {
  auto utf16 = encodeUcs2(password);
  if (!utf16.ok()) return wrongPassword();
  std::vector<std::uint8_t>& units = utf16.value();
  SecretBytes out(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                     units.size(), 2 * kMaxPasswordUnits)));
  wipe(units);
  return out;
}

// H(salt || password), then `rounds` times H(little-endian round || previous).
SecretBytes spunHash(Hash& hash, Bytes salt, Bytes password, std::uint32_t rounds) {
  SecretBytes h(hash.size());
  hash.digest({salt, password}, h);
  for (std::uint32_t round = 0; round < rounds; ++round) {
    Block r = pageBlock(kZeroBlock, round);
    hash.digest({r, h}, h);
  }
  return h;
}

// Runs `cipher` over a page; if OpenSSL ever refused, zeros keep both plaintext and garbage out.
void runOrClear(bool ok, std::span<std::uint8_t> page) {
  if (!ok) std::fill(page.begin(), page.end(), std::uint8_t{0});
}

// ---- Office agile ----

constexpr std::array<std::uint8_t, 8> kVerifierInputBlock = {0xFE, 0xA7, 0xD2, 0x76,
                                                             0x3B, 0x4B, 0x9E, 0x79};
constexpr std::array<std::uint8_t, 8> kVerifierValueBlock = {0xD7, 0xAA, 0x0F, 0x6D,
                                                             0x30, 0x61, 0x34, 0x4E};
constexpr std::array<std::uint8_t, 8> kKeyValueBlock = {0x14, 0x6E, 0x0B, 0xE7,
                                                        0xAB, 0xAC, 0xD0, 0xD6};

// The OpenSSL hash and cipher one parameter set names, checked against its sizes.
struct AgileTools {
  std::unique_ptr<Hash> hash;
  std::unique_ptr<BlockCipher> decrypt;
  std::unique_ptr<BlockCipher> encrypt;
};

Result<AgileTools> agileTools(const AgileParams& p, bool bothDirections, const std::string& path) {
  std::string cipherName =
      p.cipherAlgorithm + " (" + std::to_string(p.keyBits) + " bits, " + p.cipherChaining + ")";
  AgileTools t;
  if (!p.opensslHash.empty()) t.hash = Hash::create(p.opensslHash);
  if (!t.hash) return unsupported(path, "hash " + p.hashAlgorithm);
  if (!p.opensslCipher.empty()) t.decrypt = BlockCipher::create(p.opensslCipher, false);
  if (bothDirections && t.decrypt) t.encrypt = BlockCipher::create(p.opensslCipher, true);
  if (!t.decrypt || (bothDirections && !t.encrypt))
    return unsupported(path, "cipher " + cipherName);
  if (t.hash->size() != p.hashSize) return damaged(path, "hash size");
  if (t.decrypt->keyLength() != p.keyBits / 8 || t.decrypt->ivLength() != p.blockSize ||
      p.blockSize > Buffer().size()) {
    return damaged(path, "block size of " + cipherName);
  }
  return t;
}

class AgileCodec final : public PageCodec {
 public:
  static Result<std::unique_ptr<PageCodec>> open(const AgileEncryption& a, Bytes password,
                                                 const Block& encodingKey,
                                                 const std::string& path) {
    const AgileParams& pk = a.passwordKey;
    JET_ASSIGN_OR_RETURN(AgileTools pwTools, agileTools(pk, false, path));
    JET_ASSIGN_OR_RETURN(AgileTools dataTools, agileTools(a.keyData, true, path));
    std::size_t unit = pwTools.decrypt->blockSize();
    for (const auto* v :
         {&a.encryptedVerifierHashInput, &a.encryptedVerifierHashValue, &a.encryptedKeyValue}) {
      if (v->size() % unit != 0) return damaged(path, "encrypted value length");
    }
    if (a.encryptedVerifierHashInput.size() < pk.salt.size() ||
        a.encryptedVerifierHashValue.size() < pk.hashSize ||
        a.encryptedKeyValue.size() < a.keyData.keyBits / 8) {
      return damaged(path, "encrypted value length");
    }

    SecretBytes spun = spunHash(*pwTools.hash, pk.salt, password, a.spinCount);
    auto unlock = [&](Bytes block, Bytes encrypted, SecretBytes& out) {
      Buffer iv;
      SecretBytes key(pk.keyBits / 8);
      SecretBytes h(pwTools.hash->size());
      pwTools.hash->digest({spun, block}, h);
      fitTo(h, key, 0x36);
      fitTo(pk.salt, std::span(iv).first(pk.blockSize), 0x36);
      out.assign(encrypted.begin(), encrypted.end());
      return pwTools.decrypt->setKey(key, std::span(iv).first(pk.blockSize)) &&
             pwTools.decrypt->apply(out);
    };
    SecretBytes verifier, verifierHash, keyValue;
    if (!unlock(kVerifierInputBlock, a.encryptedVerifierHashInput, verifier) ||
        !unlock(kVerifierValueBlock, a.encryptedVerifierHashValue, verifierHash)) {
      return damaged(path, "verifier");
    }
    SecretBytes expected(pwTools.hash->size());
    pwTools.hash->digest({Bytes(verifier).first(pk.salt.size())}, expected);
    if (!sameBytes(expected, Bytes(verifierHash).first(pk.hashSize))) return wrongPassword();
    if (!unlock(kKeyValueBlock, a.encryptedKeyValue, keyValue)) return damaged(path, "key");

    Bytes key = Bytes(keyValue).first(a.keyData.keyBits / 8);
    Buffer zeroIv{};
    Bytes iv = Bytes(zeroIv).first(a.keyData.blockSize);
    if (!dataTools.decrypt->setKey(key, iv) || !dataTools.encrypt->setKey(key, iv)) {
      return damaged(path, "key");
    }
    return std::unique_ptr<PageCodec>(new AgileCodec(a.keyData, encodingKey, std::move(dataTools)));
  }

  void decode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    run(*tools_.decrypt, number, page);
  }
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    run(*tools_.encrypt, number, page);
  }

 private:
  AgileCodec(const AgileParams& keyData, const Block& encodingKey, AgileTools tools)
      : salt_(keyData.salt),
        blockSize_(keyData.blockSize),
        encodingKey_(encodingKey),
        tools_(std::move(tools)) {}

  // IV of page n: H(data salt || page block), cut or padded with 0x36 to the block size.
  void run(BlockCipher& cipher, std::uint32_t number, std::span<std::uint8_t> page) const {
    Buffer h, iv;
    Block block = pageBlock(encodingKey_, number);
    tools_.hash->digest({salt_, block}, h);
    fitTo(std::span(h).first(tools_.hash->size()), std::span(iv).first(blockSize_), 0x36);
    runOrClear(cipher.setIv(std::span(iv).first(blockSize_)) && cipher.apply(page), page);
  }

  std::vector<std::uint8_t> salt_;
  std::size_t blockSize_;
  Block encodingKey_;
  AgileTools tools_;  // the hash makes IVs; each cipher holds the data key
};

// ---- Office standard (AES, ECB) ----

class StandardCodec final : public PageCodec {
 public:
  static Result<std::unique_ptr<PageCodec>> open(const BinaryEncryption& b, Bytes password,
                                                 const Block& encodingKey,
                                                 const std::string& path) {
    std::string name = "AES-" + std::to_string(b.keyBits) + "-ECB";
    auto sha1 = Hash::create("SHA1");
    auto decrypt = BlockCipher::create(name, false);
    auto encrypt = BlockCipher::create(name, true);
    if (!sha1 || !decrypt || !encrypt) return unsupported(path, name);
    SecretBytes spun = spunHash(*sha1, b.salt, password, kStandardSpinCount);
    std::unique_ptr<StandardCodec> codec(new StandardCodec(std::move(spun), b.keyBits / 8,
                                                           encodingKey, std::move(sha1),
                                                           std::move(decrypt), std::move(encrypt)));

    // The verifier is encrypted with the key of block 0 (not of page 0).
    Buffer key;
    codec->keyFor(kZeroBlock, key);
    SecretBytes verifier(b.encryptedVerifier.begin(), b.encryptedVerifier.end());
    SecretBytes verifierHash(b.encryptedVerifierHash.begin(), b.encryptedVerifierHash.end());
    bool ok = codec->decrypt_->setKey(std::span(key).first(codec->keyBytes_), {}) &&
              codec->decrypt_->apply(verifier) && codec->decrypt_->apply(verifierHash);
    wipe(key);
    if (!ok) return damaged(path, "verifier");
    if (!verifierMatches(*codec->sha1_, verifier, verifierHash, b.verifierHashSize)) {
      return wrongPassword();
    }
    return std::unique_ptr<PageCodec>(std::move(codec));
  }

  void decode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    run(*decrypt_, number, page);
  }
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    run(*encrypt_, number, page);
  }

 private:
  StandardCodec(SecretBytes spun, std::size_t keyBytes, const Block& encodingKey,
                std::unique_ptr<Hash> sha1, std::unique_ptr<BlockCipher> decrypt,
                std::unique_ptr<BlockCipher> encrypt)
      : spun_(std::move(spun)),
        keyBytes_(keyBytes),
        encodingKey_(encodingKey),
        sha1_(std::move(sha1)),
        decrypt_(std::move(decrypt)),
        encrypt_(std::move(encrypt)) {}

  // h = SHA1(spun || block); key = the first bytes of SHA1(h ^ 0x36...) || SHA1(h ^ 0x5C...),
  // each over 64 bytes.
  void keyFor(const Block& block, Buffer& key) const {
    std::array<std::uint8_t, 20> h;
    std::array<std::uint8_t, 64> x;
    sha1_->digest({spun_, block}, h);
    for (std::uint8_t fill : {std::uint8_t{0x36}, std::uint8_t{0x5C}}) {
      x.fill(fill);
      for (std::size_t n = 0; n < h.size(); ++n) x[n] ^= h[n];
      sha1_->digest({x}, std::span(key).subspan(fill == 0x36 ? 0 : 20, 20));
    }
    wipe(h);
    wipe(x);
  }

  void run(BlockCipher& cipher, std::uint32_t number, std::span<std::uint8_t> page) const {
    Buffer key;
    keyFor(pageBlock(encodingKey_, number), key);
    runOrClear(cipher.setKey(std::span(key).first(keyBytes_), {}) && cipher.apply(page), page);
    wipe(key);
  }

  SecretBytes spun_;
  std::size_t keyBytes_;
  Block encodingKey_;
  std::unique_ptr<Hash> sha1_;
  std::unique_ptr<BlockCipher> decrypt_;
  std::unique_ptr<BlockCipher> encrypt_;
};

// ---- RC4 CryptoAPI ----

static_assert(std::is_trivially_copyable_v<Rc4>, "the RC4 state is wiped bytewise");

class Rc4CryptoApiCodec final : public PageCodec {
 public:
  static Result<std::unique_ptr<PageCodec>> open(const BinaryEncryption& b, Bytes password,
                                                 const Block& encodingKey,
                                                 const std::string& path) {
    auto sha1 = Hash::create("SHA1");
    if (!sha1) return unsupported(path, "SHA-1");
    SecretBytes base(sha1->size());
    sha1->digest({b.salt, password}, base);
    std::unique_ptr<Rc4CryptoApiCodec> codec(
        new Rc4CryptoApiCodec(std::move(base), b.keyBits, encodingKey, std::move(sha1)));

    // Verifier and its hash are one RC4 stream under the key of block 0.
    SecretBytes verifier(b.encryptedVerifier.begin(), b.encryptedVerifier.end());
    SecretBytes verifierHash(b.encryptedVerifierHash.begin(), b.encryptedVerifierHash.end());
    codec->withCipher(kZeroBlock, [&](Rc4& rc4) {
      rc4.apply(verifier);
      rc4.apply(verifierHash);
    });
    if (!verifierMatches(*codec->sha1_, verifier, verifierHash, b.verifierHashSize)) {
      return wrongPassword();
    }
    return std::unique_ptr<PageCodec>(std::move(codec));
  }

  void decode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    withCipher(pageBlock(encodingKey_, number), [&](Rc4& rc4) { rc4.apply(page); });
  }
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    decode(number, page);  // a stream cipher is its own inverse
  }

 private:
  Rc4CryptoApiCodec(SecretBytes base, std::uint32_t keyBits, const Block& encodingKey,
                    std::unique_ptr<Hash> sha1)
      : base_(std::move(base)),
        keyBits_(keyBits),
        encodingKey_(encodingKey),
        sha1_(std::move(sha1)) {}

  // Key: SHA1(base || block) cut to the key size; a 40-bit key is used as 16 bytes, zero-padded.
  template <typename Use>
  void withCipher(const Block& block, Use use) const {
    std::array<std::uint8_t, 20> h;
    sha1_->digest({base_, block}, h);
    std::size_t keyBytes = keyBits_ / 8;
    if (keyBits_ == 40) {
      std::fill(h.begin() + 5, h.begin() + 16, std::uint8_t{0});
      keyBytes = 16;
    }
    Rc4 rc4(Bytes(h).first(keyBytes));
    use(rc4);
    wipe({reinterpret_cast<std::uint8_t*>(&rc4), sizeof rc4});
    wipe(h);
  }

  SecretBytes base_;  // SHA1(salt || password)
  std::uint32_t keyBits_;
  Block encodingKey_;
  std::unique_ptr<Hash> sha1_;
};

// ---- new agile encryption ----

constexpr std::uint32_t kNewSpinCount = 100000;
constexpr std::size_t kNewSaltSize = 16;

AgileParams newAgileParams() {
  AgileParams p;
  p.cipherAlgorithm = "AES";
  p.cipherChaining = "ChainingModeCBC";
  p.hashAlgorithm = "SHA512";
  p.opensslCipher = "AES-256-CBC";
  p.opensslHash = "SHA512";
  p.keyBits = 256;
  p.blockSize = 16;
  p.hashSize = 64;
  return p;
}

bool randomFill(std::span<std::uint8_t> out) {
  return RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
}

// The agile descriptor's values for `password` and data key `dataKey`: the inverse of the
// checks in AgileCodec::open.
bool sealAgile(AgileEncryption& a, Bytes password, Bytes dataKey) {
  const AgileParams& pk = a.passwordKey;
  auto hash = Hash::create(pk.opensslHash);
  auto encrypt = BlockCipher::create(pk.opensslCipher, true);
  if (!hash || !encrypt) return false;
  SecretBytes spun = spunHash(*hash, pk.salt, password, a.spinCount);
  auto seal = [&](Bytes block, Bytes plain, std::vector<std::uint8_t>& out) {
    Buffer iv;
    SecretBytes key(pk.keyBits / 8);
    SecretBytes h(hash->size());
    hash->digest({spun, block}, h);
    fitTo(h, key, 0x36);
    fitTo(pk.salt, std::span(iv).first(pk.blockSize), 0x36);
    SecretBytes value(plain.begin(), plain.end());
    bool ok = encrypt->setKey(key, std::span(iv).first(pk.blockSize)) && encrypt->apply(value);
    out.assign(value.begin(), value.end());
    return ok;
  };
  SecretBytes verifier(pk.salt.size());
  SecretBytes verifierHash(hash->size());
  if (!randomFill(verifier)) return false;
  hash->digest({verifier}, verifierHash);
  return seal(kVerifierInputBlock, verifier, a.encryptedVerifierHashInput) &&
         seal(kVerifierValueBlock, verifierHash, a.encryptedVerifierHashValue) &&
         seal(kKeyValueBlock, dataKey, a.encryptedKeyValue);
}

}  // namespace

Result<std::unique_ptr<PageCodec>> encryptAccdbHeader(std::span<std::uint8_t> headerPage,
                                                      const std::string& password,
                                                      const std::string& path) {
  auto refused = [&](const std::string& why) {
    return Error{err::kUnsupported, "'" + path + "' cannot be encrypted: " + why + "."};
  };
  if (password.empty()) return refused("the password is empty");
  auto pw = passwordBytes(password);
  if (!pw.ok()) return refused("the password is not valid UTF-8 text");
  AccdbDescriptor d;
  d.kind = AccdbCipherKind::kAgile;
  AgileEncryption& a = d.agile;
  a.keyData = newAgileParams();
  a.passwordKey = newAgileParams();
  a.spinCount = kNewSpinCount;
  a.keyData.salt.resize(kNewSaltSize);
  a.passwordKey.salt.resize(kNewSaltSize);
  SecretBytes dataKey(a.keyData.keyBits / 8);
  bool ok = randomFill(a.keyData.salt) && randomFill(a.passwordKey.salt) && randomFill(dataKey);
  // A zero encoding key would say the pages are plain.
  while (ok && d.encodingKey == Block{}) ok = randomFill(d.encodingKey);
  if (!ok) return refused("the system's random source failed");
  if (!sealAgile(a, *pw, dataKey)) return refused("OpenSSL lacks AES-256-CBC or SHA-512");
  JET_TRY(writeAccdbDescriptor(headerPage, d, path));
  return openAccdbCodec(headerPage, password, path);
}

Result<std::unique_ptr<PageCodec>> openAccdbCodec(Bytes headerPage, const std::string& password,
                                                  const std::string& path) {
  JET_ASSIGN_OR_RETURN(AccdbDescriptor d, readAccdbDescriptor(headerPage, path));
  JET_ASSIGN_OR_RETURN(SecretBytes pw, passwordBytes(password));
  switch (d.kind) {
    case AccdbCipherKind::kAgile:
      return AgileCodec::open(d.agile, pw, d.encodingKey, path);
    case AccdbCipherKind::kStandard:
      return StandardCodec::open(d.binary, pw, d.encodingKey, path);
    case AccdbCipherKind::kRc4CryptoApi:
      return Rc4CryptoApiCodec::open(d.binary, pw, d.encodingKey, path);
  }
  return unsupported(path, "an unknown provider");
}

}  // namespace jet
