// page_rc4.h: the page encoding of RC4-encoded Jet files: RC4 with key = encoding key XOR the
// page number (little-endian). Encoding and decoding are the same operation.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

void applyPageRc4(std::uint32_t encodingKey, std::uint32_t page, std::span<std::uint8_t> data);

}  // namespace jet
