// header_facts.h: the few header-page facts the writer needs: format version, code page and the
// page encoding key (inside the masked region), and whether a database password is set.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/status.h"
#include "jet/types.h"

namespace jet {

struct HeaderFacts {
  Version version = Version::kJet4;
  std::uint16_t codePage = 0;
  std::uint32_t encodingKey = 0;  // Jet: pages RC4-encoded; ACE: the file is encrypted
  bool jet3() const { return version == Version::kJet3; }
  std::uint32_t pageSize() const { return jet3() ? 2048 : 4096; }
};

// `page0`: at least the first 0x80 bytes of the file; `path` names it in errors.
Result<HeaderFacts> parseHeaderFacts(std::span<const std::uint8_t> page0, const std::string& path);

}  // namespace jet
