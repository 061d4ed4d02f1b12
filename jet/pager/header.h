// header.h: the header page (page 0): checks that the file is an Access database, unmasks the
// masked region and reads version, code page, sort order, encoding key and stored password.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/types.h"
#include "jet/core/status.h"

namespace jet {

// What the header page says.
struct HeaderInfo {
  Version version = Version::kJet4;
  std::uint32_t pageSize = kFormatJet4.pageSize;
  std::uint32_t pageCount = 0;  // file size / page size
  std::uint16_t codePage = 0;
  std::uint16_t sortOrder = 0;         // LCID (1033 = General) or Jet3 sort id
  std::uint8_t sortOrderVersion = 0;   // Jet4+: 0 General Legacy, 1 General
  std::uint32_t encodingKey = 0;       // non-zero: pages are RC4-encoded (Jet) or encrypted (ACE)
  bool hasPassword = false;            // Jet3/Jet4 database password set
  std::string encryption;  // "none", "RC4 page encoding", "Office agile (AES-256-CBC, SHA512, …)"
};

struct Header {
  HeaderInfo info;
  std::vector<std::uint8_t> page;  // page 0 with the masked region unmasked
  std::string password;            // stored password (Jet3/Jet4), UTF-8; empty when none
};

// `raw`: the first bytes of the file (at least one Jet3 page; a full page when available).
// `path` names the file in errors; `fileSize` gives the page count.
Result<Header> parseHeader(Bytes raw, const std::string& path, std::uint64_t fileSize);

// Page 0 as the file stores it: `header.page` with its masked region masked again.
std::vector<std::uint8_t> storedHeaderPage(const Header& header);

// Success when no password is stored or `given` equals it; else "Not a valid password.".
Status checkPassword(const Header& header, const std::string& given);

}  // namespace jet
