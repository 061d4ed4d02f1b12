// office_crypto.h: the encryption descriptor an .accdb keeps in its header page: which of the
// three Office ciphers encrypts the pages, and its salts, verifier and parameters. Reads,
// describes and writes it; key derivation and the page ciphers are in accdb_codec. Layout:
// docs/format/encryption.md.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/core/status.h"

namespace jet {

enum class AccdbCipherKind { kAgile, kStandard, kRc4CryptoApi };

// Office standard hashes the password this many times; the binary header does not say.
inline constexpr std::uint32_t kStandardSpinCount = 50000;

// Office standard (AES) and RC4 CryptoAPI: the binary header and verifier.
struct BinaryEncryption {
  std::uint32_t keyBits = 0;
  std::vector<std::uint8_t> salt;                   // 16 bytes
  std::vector<std::uint8_t> encryptedVerifier;      // 16 bytes
  std::uint32_t verifierHashSize = 0;               // bytes of the SHA-1 that count
  std::vector<std::uint8_t> encryptedVerifierHash;  // 20 bytes (RC4) or 32 (AES)
};

// One parameter set of the agile descriptor: the data key's or the password key's.
struct AgileParams {
  std::string cipherAlgorithm;  // as the descriptor names them: "AES", "ChainingModeCBC", "SHA512"
  std::string cipherChaining;
  std::string hashAlgorithm;
  std::string opensslCipher;  // "AES-256-CBC"; empty when we know no OpenSSL equivalent
  std::string opensslHash;    // "SHA512"; likewise
  std::uint32_t keyBits = 0;
  std::uint32_t blockSize = 0;
  std::uint32_t hashSize = 0;
  std::vector<std::uint8_t> salt;
};

struct AgileEncryption {
  AgileParams keyData;      // encrypts the pages
  AgileParams passwordKey;  // encrypts the data key and the verifier
  std::uint32_t spinCount = 0;
  std::vector<std::uint8_t> encryptedVerifierHashInput;
  std::vector<std::uint8_t> encryptedVerifierHashValue;
  std::vector<std::uint8_t> encryptedKeyValue;
};

struct AccdbDescriptor {
  AccdbCipherKind kind = AccdbCipherKind::kAgile;
  std::array<std::uint8_t, 4> encodingKey{};  // header 0x3E, mixed with each page number
  BinaryEncryption binary;                    // kStandard, kRc4CryptoApi
  AgileEncryption agile;                      // kAgile
};

// What `fieldmend-cli info` shows: no password needed, none involved.
struct AccdbEncryption {
  std::string kind;    // "Office agile", "Office standard", "RC4 CryptoAPI"
  std::string cipher;  // "AES-256-CBC", "AES-128-ECB", "RC4-128"
  std::string hash;    // "SHA512", "SHA1"
  int keyBits = 0;
  std::uint32_t spinCount = 0;  // password hash rounds
};

// True when an ACE header page says its pages are encrypted (non-zero encoding key).
// `headerPage`: page 0 with its masked region unmasked, here and below.
bool hasAccdbEncryption(Bytes headerPage);

// Reads the descriptor. Errors name `path`: pages not encrypted, a provider we cannot read, or a
// damaged descriptor.
Result<AccdbDescriptor> readAccdbDescriptor(Bytes headerPage, const std::string& path);

Result<AccdbEncryption> describeAccdbEncryption(Bytes headerPage, const std::string& path);

// Writes agile descriptor `d` into `headerPage` (unmasked, otherwise an unencrypted ACE header):
// the encoding key at 0x3E, the encoding-key bytes Access keeps beside it, and the descriptor at
// 0x299 (XML from d.agile). kUnsupported naming `path` for another kind, kBadPage when the
// descriptor would not fit.
Status writeAccdbDescriptor(std::span<std::uint8_t> headerPage, const AccdbDescriptor& d,
                            const std::string& path);

// The two ways a descriptor fails, worded alike wherever they are found.
Error accdbUnsupported(const std::string& path, const std::string& what);
Error accdbDamaged(const std::string& path, const std::string& what);

}  // namespace jet
