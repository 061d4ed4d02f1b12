// byte_writer.h: little-endian stores into a byte buffer, for the builders of new pages. The
// caller sizes the buffer; these never grow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace jet {

inline void put8(std::span<std::uint8_t> b, std::size_t at, std::uint8_t v) { b[at] = v; }
inline void put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put24(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  put16(b, at, static_cast<std::uint16_t>(v));
  b[at + 2] = static_cast<std::uint8_t>(v >> 16);
}
inline void put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  put16(b, at, static_cast<std::uint16_t>(v));
  put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void put64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
  put32(b, at, static_cast<std::uint32_t>(v));
  put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace jet
