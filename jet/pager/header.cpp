// header.cpp: parsing of the header page. Layout: docs/format/header.md.
#include "jet/pager/header.h"

#include <array>
#include <cstring>

#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/pager/rc4.h"
#include "jet/core/text_codec.h"
#include "jet/pager/office_crypto.h"

namespace jet {
namespace {

constexpr std::size_t kVersionAt = 0x14;
constexpr std::size_t kMaskStart = 0x18;
constexpr std::array<std::uint8_t, 4> kMaskKey = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kJet3SortAt = 0x3A;
constexpr std::size_t kCodePageAt = 0x3C;
constexpr std::size_t kEncodingKeyAt = 0x3E;
constexpr std::size_t kPasswordAt = 0x42;
constexpr std::size_t kSortAt = 0x6E;
constexpr std::size_t kSortVersionAt = 0x71;
constexpr std::size_t kCreationDateAt = 0x72;
constexpr char kJetName[] = "Standard Jet DB";
constexpr char kAceName[] = "Standard ACE DB";

bool hasMagic(Bytes raw) {
  if (raw.size() < 0x20) return false;
  if (raw[0] != 0 || raw[1] != 1 || raw[2] != 0 || raw[3] != 0) return false;
  return std::memcmp(raw.data() + 4, kJetName, sizeof kJetName) == 0 ||
         std::memcmp(raw.data() + 4, kAceName, sizeof kAceName) == 0;
}

// The ACE encryption descriptor: u16 length, then u16 major, u16 minor, u32 flags.
// How an encrypted .accdb says it is encrypted: kind, cipher and hash, from the descriptor alone
// (no password is involved).
std::string aceEncryptionName(Bytes page, const std::string& path) {
  auto e = describeAccdbEncryption(page, path);
  if (!e.ok()) return "unknown encryption";
  std::string text = e->kind + " (" + e->cipher + ", " + e->hash;
  if (e->spinCount != 0) text += ", " + std::to_string(e->spinCount) + " spins";
  return text + ")";
}

// Jet4 masks the stored password with the integer part of the creation date.
std::string jet4Password(Bytes page) {
  double created = 0;
  std::uint64_t bits = u64(page, kCreationDateAt);
  std::memcpy(&created, &bits, sizeof created);
  std::uint32_t mask = 0;
  if (created > -2147483648.0 && created < 2147483648.0) {
    mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
  }
  std::vector<std::uint8_t> pw(page.begin() + kPasswordAt, page.begin() + kPasswordAt + 40);
  for (std::size_t n = 0; n < pw.size(); ++n) {
    pw[n] = static_cast<std::uint8_t>(pw[n] ^ ((mask >> (8 * (n % 4))) & 0xFF));
  }
  std::size_t len = 0;
  while (len + 1 < pw.size() && (pw[len] != 0 || pw[len + 1] != 0)) len += 2;
  pw.resize(len);
  return decodeUcs2Text(pw);
}

std::string jet3Password(Bytes page, std::uint16_t codePage) {
  std::size_t len = 0;
  while (len < 20 && page[kPasswordAt + len] != 0) ++len;
  return decodeCodePage(page.subspan(kPasswordAt, len), codePage);
}

}  // namespace

Result<Header> parseHeader(Bytes raw, const std::string& path, std::uint64_t fileSize) {
  if (!hasMagic(raw)) {
    return Error{err::kNotAccessFile, "'" + path + "' is not an Access database file."};
  }
  std::uint8_t versionByte = raw[kVersionAt];
  if (versionByte > static_cast<std::uint8_t>(Version::kAce17)) {
    return Error{err::kUnsupported, "'" + path + "' has an unknown format version (" +
                                        std::to_string(versionByte) + ")."};
  }
  Header h;
  h.info.version = static_cast<Version>(versionByte);
  const Format& f = formatFor(h.info.version);
  if (raw.size() < f.pageSize) {
    return Error{err::kTruncated, "'" + path + "' is shorter than its header page."};
  }
  h.page.assign(raw.begin(), raw.begin() + f.pageSize);
  rc4Apply(kMaskKey, std::span(h.page).subspan(kMaskStart, f.headerMaskLength));
  Bytes page(h.page);
  HeaderInfo& info = h.info;
  info.pageSize = f.pageSize;
  info.pageCount =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize / f.pageSize, 0xFFFFFFFFu));
  info.codePage = u16(page, kCodePageAt);
  info.encodingKey = u32(page, kEncodingKeyAt);
  if (f.jet3) {
    info.sortOrder = u16(page, kJet3SortAt);
  } else {
    info.sortOrder = u16(page, kSortAt);
    info.sortOrderVersion = u8(page, kSortVersionAt);
  }
  bool ace = h.info.version >= Version::kAce12;
  if (ace) {
    info.encryption = info.encodingKey != 0 ? aceEncryptionName(page, path) : "none";
  } else {
    info.encryption = info.encodingKey != 0 ? "RC4 page encoding" : "none";
    h.password = f.jet3 ? jet3Password(page, info.codePage) : jet4Password(page);
    info.hasPassword = !h.password.empty();
  }
  if (fileSize % f.pageSize != 0) {
    return Error{err::kTruncated, "'" + path + "' is truncated: its size (" +
                                      std::to_string(fileSize) +
                                      " bytes) is not a whole number of " +
                                      std::to_string(f.pageSize) + "-byte pages."};
  }
  return h;
}

std::vector<std::uint8_t> storedHeaderPage(const Header& header) {
  std::vector<std::uint8_t> page = header.page;
  const Format& f = formatFor(header.info.version);
  rc4Apply(kMaskKey, std::span(page).subspan(kMaskStart, f.headerMaskLength));
  return page;
}

Status checkPassword(const Header& header, const std::string& given) {
  if (header.password.empty() || header.password == given) return {};
  return Error{err::kAuthFailed, "Not a valid password."};
}

}  // namespace jet
