// office_crypto.cpp: reading the .accdb encryption descriptor. Layout: docs/format/encryption.md.
#include "jet/pager/office_crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <string_view>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::size_t kEncodingKeyAt = 0x3E;
constexpr std::size_t kDescriptorAt = 0x299;  // u16 length, then the descriptor

// Binary descriptor (x.2): version, flags, header size, header, verifier.
constexpr std::size_t kFlagsAt = 4;
constexpr std::size_t kHeaderSizeAt = 8;
constexpr std::size_t kHeaderAt = 12;
constexpr std::uint32_t kFlagCryptoApi = 0x04;
constexpr std::uint32_t kFlagExternal = 0x10;
constexpr std::uint32_t kFlagAes = 0x20;
constexpr std::uint32_t kAlgRc4 = 0x6801;
constexpr std::uint32_t kAlgAes128 = 0x660E;
constexpr std::uint32_t kAlgAes192 = 0x660F;
constexpr std::uint32_t kAlgAes256 = 0x6610;
constexpr std::uint32_t kHashSha1 = 0x8004;
constexpr std::uint32_t kSaltSize = 16;
constexpr std::uint32_t kVerifierSize = 16;

// Agile descriptor (4.4): version, u32 0x40, XML.
constexpr std::uint32_t kAgileReserved = 0x40;
constexpr std::size_t kAgileXmlAt = 8;
constexpr char kPasswordKeyEncryptorUri[] =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
constexpr std::uint32_t kMaxSpinCount = 10'000'000;
constexpr char kEncryptionNs[] = "http://schemas.microsoft.com/office/2006/encryption";
constexpr char kCertificateKeyEncryptorUri[] =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/certificate";
// Access writes the declaration on its own line; the rest of the XML has no line breaks.
constexpr char kXmlDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// Beside the encoding key, an encrypted ACE header has each byte of the 40 at 0x42 (which a Jet4
// file uses for its password) XORed with the key's first byte.
constexpr std::size_t kKeyEchoAt = 0x42;
constexpr std::size_t kKeyEchoLength = 40;

Error damaged(const std::string& path, const std::string& what) { return accdbDamaged(path, what); }
Error unsupported(const std::string& path, const std::string& what) {
  return accdbUnsupported(path, what);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// ---- binary descriptor: Office standard and RC4 CryptoAPI ----

std::string hexId(std::uint32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", id);
  return text;
}

std::vector<std::uint8_t> take(Bytes b, std::size_t at, std::size_t n) {
  Bytes part = b.subspan(at, n);
  return {part.begin(), part.end()};
}

// Default RC4 key size when the header gives none: 40 bits for the base provider, else 128.
std::uint32_t defaultRc4KeyBits(Bytes header) {
  std::string name;  // the provider name, UTF-16LE from header offset 32; ASCII is enough here
  for (std::size_t at = 32; at + 1 < header.size() && u16(header, at) != 0; at += 2) {
    std::uint16_t c = u16(header, at);
    name += c < 0x80 ? static_cast<char>(std::tolower(c)) : '?';
  }
  bool base =
      name.find_first_not_of(' ') == std::string::npos || name.find(" base ") != std::string::npos;
  return base ? 40 : 128;
}

Status readBinary(Bytes blob, bool aes, const std::string& path, BinaryEncryption& out) {
  std::uint32_t headerSize = 0;
  if (!readU32(blob, kHeaderSizeAt, headerSize) || headerSize < 32 ||
      !inBounds(blob, kHeaderAt, headerSize)) {
    return damaged(path, "header size");
  }
  Bytes header = blob.subspan(kHeaderAt, headerSize);
  std::uint32_t flags = u32(header, 0), algId = u32(header, 8), hashId = u32(header, 12);
  out.keyBits = u32(header, 16);
  if ((flags & kFlagExternal) != 0) return unsupported(path, "an external encryption provider");
  if (hashId != 0 && hashId != kHashSha1) {
    return unsupported(path, "hash algorithm " + hexId(hashId));
  }
  std::uint32_t verifierHashLength = 20;
  if (aes) {
    verifierHashLength = 32;
    std::uint32_t bits = algId == 0 || algId == kAlgAes128 ? 128
                         : algId == kAlgAes192             ? 192
                         : algId == kAlgAes256             ? 256
                                                           : 0;
    if (bits == 0) return unsupported(path, "algorithm " + hexId(algId));
    if (out.keyBits == 0) out.keyBits = bits;
    if (out.keyBits != bits) return damaged(path, "key size does not match AES variant");
  } else {
    if (algId != 0 && algId != kAlgRc4) {
      return unsupported(path, "algorithm " + hexId(algId));
    }
    if (out.keyBits == 0) out.keyBits = defaultRc4KeyBits(header);
    if (out.keyBits < 40 || out.keyBits > 128 || out.keyBits % 8 != 0) {
      return damaged(path, "RC4 key size " + std::to_string(out.keyBits));
    }
  }
  std::size_t at = kHeaderAt + headerSize;
  std::uint32_t saltSize = 0;
  if (!readU32(blob, at, saltSize) || saltSize != kSaltSize) return damaged(path, "salt size");
  at += 4;
  if (!inBounds(blob, at, kSaltSize + kVerifierSize + 4 + verifierHashLength)) {
    return damaged(path, "verifier cut short");
  }
  out.salt = take(blob, at, kSaltSize);
  at += kSaltSize;
  out.encryptedVerifier = take(blob, at, kVerifierSize);
  at += kVerifierSize;
  out.verifierHashSize = u32(blob, at);
  at += 4;
  if (out.verifierHashSize == 0 || out.verifierHashSize > 20) {
    return damaged(path, "verifier hash size");
  }
  out.encryptedVerifierHash = take(blob, at, verifierHashLength);
  return {};
}

// ---- agile descriptor: XML ----

std::string_view localName(const char* qualified) {
  std::string_view name(qualified);
  auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node childNamed(pugi::xml_node parent, std::string_view local) {
  for (pugi::xml_node c : parent.children()) {
    if (c.type() == pugi::node_element && localName(c.name()) == local) return c;
  }
  return {};
}

bool readNumber(pugi::xml_node node, const char* name, std::uint32_t& out) {
  std::string_view text = node.attribute(name).value();
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool readBase64(pugi::xml_node node, const char* name, std::vector<std::uint8_t>& out) {
  std::string_view text = node.attribute(name).value();
  if (text.empty() || text.size() > 0x10000) return false;
  std::unique_ptr<EVP_ENCODE_CTX, decltype(&EVP_ENCODE_CTX_free)> ctx(EVP_ENCODE_CTX_new(),
                                                                      EVP_ENCODE_CTX_free);
  if (!ctx) return false;
  out.resize(text.size());
  int n = 0, tail = 0;
  EVP_DecodeInit(ctx.get());
  if (EVP_DecodeUpdate(ctx.get(), out.data(), &n,
                       reinterpret_cast<const unsigned char*>(text.data()),
                       static_cast<int>(text.size())) < 0 ||
      EVP_DecodeFinal(ctx.get(), out.data() + n, &tail) != 1) {
    return false;
  }
  out.resize(static_cast<std::size_t>(n + tail));
  return !out.empty();
}

std::string opensslHashName(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kHashes[] = {
      {"SHA1", "SHA1"},
      {"SHA256", "SHA256"},
      {"SHA384", "SHA384"},
      {"SHA512", "SHA512"},
      {"MD5", "MD5"},
      {"MD4", "MD4"},
      {"RIPEMD-160", "RIPEMD160"},
      {"WHIRLPOOL", "WHIRLPOOL"}};
  for (auto [ours, theirs] : kHashes) {
    if (equalsIgnoringCase(name, ours)) return std::string(theirs);
  }
  return {};
}

std::string opensslCipherName(std::string_view algorithm, std::uint32_t keyBits,
                              std::string_view chaining) {
  std::string mode;
  if (equalsIgnoringCase(chaining, "ChainingModeCBC")) mode = "-CBC";
  if (equalsIgnoringCase(chaining, "ChainingModeCFB")) mode = "-CFB8";  // 8-bit feedback
  if (mode.empty()) return {};
  if (equalsIgnoringCase(algorithm, "AES") &&
      (keyBits == 128 || keyBits == 192 || keyBits == 256)) {
    return "AES-" + std::to_string(keyBits) + mode;
  }
  if (equalsIgnoringCase(algorithm, "DES") && keyBits == 64) return "DES" + mode;
  if (equalsIgnoringCase(algorithm, "3DES") && keyBits == 192) return "DES-EDE3" + mode;
  if (equalsIgnoringCase(algorithm, "3DES_112") && keyBits == 128) return "DES-EDE" + mode;
  return {};
}

// The attributes <keyData> and <p:encryptedKey> share. `what` names the element in errors.
Status readParams(pugi::xml_node node, const char* what, const std::string& path,
                  AgileParams& out) {
  std::uint32_t saltSize = 0;
  if (!readNumber(node, "saltSize", saltSize) || !readNumber(node, "blockSize", out.blockSize) ||
      !readNumber(node, "keyBits", out.keyBits) || !readNumber(node, "hashSize", out.hashSize) ||
      !readBase64(node, "saltValue", out.salt)) {
    return damaged(path, std::string(what) + " lacks a size or its salt");
  }
  out.cipherAlgorithm = node.attribute("cipherAlgorithm").value();
  out.cipherChaining = node.attribute("cipherChaining").value();
  out.hashAlgorithm = node.attribute("hashAlgorithm").value();
  if (out.salt.size() != saltSize || out.blockSize < 2 || out.blockSize > 4096 ||
      out.keyBits == 0 || out.keyBits % 8 != 0 || out.hashSize == 0 || out.hashSize > 64) {
    return damaged(path, std::string(what) + " sizes");
  }
  out.opensslCipher = opensslCipherName(out.cipherAlgorithm, out.keyBits, out.cipherChaining);
  out.opensslHash = opensslHashName(out.hashAlgorithm);
  return {};
}

Status readAgile(Bytes blob, const std::string& path, AgileEncryption& out) {
  std::uint32_t reserved = 0;
  if (!readU32(blob, 4, reserved) || reserved != kAgileReserved || blob.size() <= kAgileXmlAt) {
    return damaged(path, "agile descriptor marker");
  }
  Bytes xml = blob.subspan(kAgileXmlAt);
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
  if (!parsed) return damaged(path, std::string("XML: ") + parsed.description());
  pugi::xml_node root = childNamed(doc, "encryption");
  pugi::xml_node keyData = childNamed(root, "keyData");
  if (!keyData) return damaged(path, "no keyData");
  JET_TRY(readParams(keyData, "keyData", path, out.keyData));

  pugi::xml_node encryptedKey;
  for (pugi::xml_node e : childNamed(root, "keyEncryptors").children()) {
    if (localName(e.name()) == "keyEncryptor" &&
        std::strcmp(e.attribute("uri").value(), kPasswordKeyEncryptorUri) == 0) {
      encryptedKey = childNamed(e, "encryptedKey");
    }
  }
  if (!encryptedKey) return unsupported(path, "a key that no password opens (certificate)");
  JET_TRY(readParams(encryptedKey, "encryptedKey", path, out.passwordKey));
  if (!readNumber(encryptedKey, "spinCount", out.spinCount) || out.spinCount > kMaxSpinCount) {
    return damaged(path, "spin count");
  }
  if (!readBase64(encryptedKey, "encryptedVerifierHashInput", out.encryptedVerifierHashInput) ||
      !readBase64(encryptedKey, "encryptedVerifierHashValue", out.encryptedVerifierHashValue) ||
      !readBase64(encryptedKey, "encryptedKeyValue", out.encryptedKeyValue)) {
    return damaged(path, "encrypted key or verifier");
  }
  return {};
}

// ---- writing the agile descriptor ----

std::string base64(const std::vector<std::uint8_t>& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                          static_cast<int>(bytes.size()));
  out.resize(static_cast<std::size_t>(std::max(n, 0)));
  return out;
}

// The attributes readParams() reads, in the order Access writes them.
void writeParams(pugi::xml_node node, const AgileParams& p) {
  node.append_attribute("saltSize") = static_cast<unsigned>(p.salt.size());
  node.append_attribute("blockSize") = p.blockSize;
  node.append_attribute("keyBits") = p.keyBits;
  node.append_attribute("hashSize") = p.hashSize;
  node.append_attribute("cipherAlgorithm") = p.cipherAlgorithm.c_str();
  node.append_attribute("cipherChaining") = p.cipherChaining.c_str();
  node.append_attribute("hashAlgorithm") = p.hashAlgorithm.c_str();
  node.append_attribute("saltValue") = base64(p.salt).c_str();
}

std::string agileXml(const AgileEncryption& a) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("encryption");
  root.append_attribute("xmlns") = kEncryptionNs;
  root.append_attribute("xmlns:p") = kPasswordKeyEncryptorUri;
  root.append_attribute("xmlns:c") = kCertificateKeyEncryptorUri;
  writeParams(root.append_child("keyData"), a.keyData);
  pugi::xml_node encryptor = root.append_child("keyEncryptors").append_child("keyEncryptor");
  encryptor.append_attribute("uri") = kPasswordKeyEncryptorUri;
  pugi::xml_node key = encryptor.append_child("p:encryptedKey");
  key.append_attribute("spinCount") = a.spinCount;
  writeParams(key, a.passwordKey);
  key.append_attribute("encryptedVerifierHashInput") = base64(a.encryptedVerifierHashInput).c_str();
  key.append_attribute("encryptedVerifierHashValue") = base64(a.encryptedVerifierHashValue).c_str();
  key.append_attribute("encryptedKeyValue") = base64(a.encryptedKeyValue).c_str();
  std::ostringstream out;
  out << kXmlDeclaration;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

std::string versionText(std::uint16_t major, std::uint16_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string chainingShort(const std::string& chaining) {
  constexpr std::string_view kPrefix = "ChainingMode";
  return chaining.starts_with(kPrefix) ? chaining.substr(kPrefix.size()) : chaining;
}

}  // namespace

Error accdbUnsupported(const std::string& path, const std::string& what) {
  return Error{err::kUnsupported,
               "'" + path + "' is encrypted with " + what + ", which this program cannot read."};
}

Error accdbDamaged(const std::string& path, const std::string& what) {
  return Error{err::kBadPage, "'" + path +
                                  "': the encryption descriptor in the header page is "
                                  "damaged (" +
                                  what + ")."};
}

bool hasAccdbEncryption(Bytes headerPage) {
  std::uint32_t key = 0;
  return readU32(headerPage, kEncodingKeyAt, key) && key != 0;
}

Result<AccdbDescriptor> readAccdbDescriptor(Bytes headerPage, const std::string& path) {
  AccdbDescriptor d;
  if (!hasAccdbEncryption(headerPage)) {
    return Error{err::kUnsupported, "'" + path + "': its pages are not encrypted."};
  }
  std::copy_n(headerPage.begin() + kEncodingKeyAt, 4, d.encodingKey.begin());
  std::uint16_t length = 0, major = 0, minor = 0;
  if (!readU16(headerPage, kDescriptorAt, length) ||
      !inBounds(headerPage, kDescriptorAt + 2, length) || length < kHeaderAt) {
    return damaged(path, "length");
  }
  Bytes blob = headerPage.subspan(kDescriptorAt + 2, length);
  major = u16(blob, 0);
  minor = u16(blob, 2);
  if (major == 4 && minor == 4) {
    d.kind = AccdbCipherKind::kAgile;
    JET_TRY(readAgile(blob, path, d.agile));
    return d;
  }
  std::uint32_t flags = u32(blob, kFlagsAt);
  if (major >= 2 && major <= 4 && minor == 2 && (flags & kFlagCryptoApi) != 0) {
    bool aes = (flags & kFlagAes) != 0;
    d.kind = aes ? AccdbCipherKind::kStandard : AccdbCipherKind::kRc4CryptoApi;
    JET_TRY(readBinary(blob, aes, path, d.binary));
    return d;
  }
  if (major == 1 && minor == 1) return unsupported(path, "Office RC4 (version 1.1)");
  if (minor == 3)
    return unsupported(path, "an extensible provider (version " + versionText(major, minor) + ")");
  return unsupported(path, "an unknown provider (version " + versionText(major, minor) + ")");
}

Status writeAccdbDescriptor(std::span<std::uint8_t> headerPage, const AccdbDescriptor& d,
                            const std::string& path) {
  if (d.kind != AccdbCipherKind::kAgile) {
    return Error{err::kUnsupported,
                 "'" + path + "': only Office agile encryption is written to new files."};
  }
  std::string xml = agileXml(d.agile);
  std::vector<std::uint8_t> blob(kAgileXmlAt);
  put16(blob, 0, 4);
  put16(blob, 2, 4);
  put32(blob, 4, kAgileReserved);
  blob.insert(blob.end(), xml.begin(), xml.end());
  // The descriptor goes into bytes an unencrypted header leaves zero.
  std::size_t end = kDescriptorAt + 2 + blob.size();
  if (blob.size() > 0xFFFF || end > headerPage.size()) {
    return damaged(path, "no room for a new descriptor");
  }
  std::span<std::uint8_t> room = headerPage.subspan(kDescriptorAt, end - kDescriptorAt);
  if (std::any_of(room.begin(), room.end(), [](std::uint8_t b) { return b != 0; }) ||
      std::all_of(d.encodingKey.begin(), d.encodingKey.end(),
                  [](std::uint8_t b) { return b == 0; })) {
    return damaged(path, "no room for a new descriptor");
  }
  std::copy(d.encodingKey.begin(), d.encodingKey.end(), headerPage.begin() + kEncodingKeyAt);
  for (std::size_t n = 0; n < kKeyEchoLength; ++n) headerPage[kKeyEchoAt + n] ^= d.encodingKey[0];
  put16(headerPage, kDescriptorAt, static_cast<std::uint16_t>(blob.size()));
  std::copy(blob.begin(), blob.end(), headerPage.begin() + kDescriptorAt + 2);
  return {};
}

Result<AccdbEncryption> describeAccdbEncryption(Bytes headerPage, const std::string& path) {
  JET_ASSIGN_OR_RETURN(AccdbDescriptor d, readAccdbDescriptor(headerPage, path));
  AccdbEncryption e;
  switch (d.kind) {
    case AccdbCipherKind::kAgile: {
      const AgileParams& k = d.agile.keyData;
      e.kind = "Office agile";
      e.cipher = k.cipherAlgorithm + "-" + std::to_string(k.keyBits) + "-" +
                 chainingShort(k.cipherChaining);
      e.hash = k.hashAlgorithm;
      e.keyBits = static_cast<int>(k.keyBits);
      e.spinCount = d.agile.spinCount;
      break;
    }
    case AccdbCipherKind::kStandard:
      e.kind = "Office standard";
      e.cipher = "AES-" + std::to_string(d.binary.keyBits) + "-ECB";
      e.hash = "SHA1";
      e.keyBits = static_cast<int>(d.binary.keyBits);
      e.spinCount = kStandardSpinCount;
      break;
    case AccdbCipherKind::kRc4CryptoApi:
      e.kind = "RC4 CryptoAPI";
      e.cipher = "RC4-" + std::to_string(d.binary.keyBits);
      e.hash = "SHA1";
      e.keyBits = static_cast<int>(d.binary.keyBits);
      break;
  }
  return e;
}

}  // namespace jet
