// header_facts.cpp: engine name @4, version @0x14; from 0x18, 126 (Jet3) or 128 bytes are masked
// with the RC4 stream of key C7 DA 39 6B; code page @0x3C and encoding key @0x3E lie inside.
#include "jet/header_facts.h"

#include <cstring>
#include <vector>

#include "jet/error_codes.h"
#include "jet/page_rc4.h"

namespace jet {

namespace {
constexpr std::uint32_t kHeaderMaskKey = 0x6B39DAC7;  // bytes C7 DA 39 6B
}

Result<HeaderFacts> parseHeaderFacts(std::span<const std::uint8_t> page0, const std::string& path) {
  if (page0.size() < 0x18 + 128 || page0[0] != 0 ||
      (std::memcmp(page0.data() + 4, "Standard Jet DB", 15) != 0 &&
       std::memcmp(page0.data() + 4, "Standard ACE DB", 15) != 0)) {
    return Error{err::kNotAccessFile, path + " is not an Access database"};
  }
  if (page0[0x14] > static_cast<std::uint8_t>(Version::kAce17)) {
    return Error{err::kUnsupported,
                 path + " has an unknown format version " + std::to_string(page0[0x14])};
  }
  HeaderFacts facts;
  facts.version = static_cast<Version>(page0[0x14]);
  std::vector<std::uint8_t> masked(page0.begin() + 0x18,
                                   page0.begin() + 0x18 + (facts.jet3() ? 126 : 128));
  applyPageRc4(kHeaderMaskKey, 0, masked);
  auto at = [&](std::size_t offset) { return masked[offset - 0x18]; };
  facts.codePage = static_cast<std::uint16_t>(at(0x3C) | (at(0x3D) << 8));
  facts.encodingKey = static_cast<std::uint32_t>(at(0x3E)) | (static_cast<std::uint32_t>(at(0x3F)) << 8) |
                      (static_cast<std::uint32_t>(at(0x40)) << 16) |
                      (static_cast<std::uint32_t>(at(0x41)) << 24);
  return facts;
}

}  // namespace jet
