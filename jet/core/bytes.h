// bytes.h: bounds-checked little-endian reads from a byte span. Every reader of file
// structures goes through these, so an offset past the end gives false, never a stray read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace jet {

using Bytes = std::span<const std::uint8_t>;

inline bool inBounds(Bytes b, std::size_t offset, std::size_t length) {
  return offset <= b.size() && length <= b.size() - offset;
}

inline std::uint8_t u8(Bytes b, std::size_t at) { return b[at]; }
inline std::uint16_t u16(Bytes b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t u24(Bytes b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16);
}
inline std::uint32_t u32(Bytes b, std::size_t at) {
  return u24(b, at) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint64_t u64(Bytes b, std::size_t at) {
  return static_cast<std::uint64_t>(u32(b, at)) |
         (static_cast<std::uint64_t>(u32(b, at + 4)) << 32);
}

// Checked forms: false when the field does not lie inside `b`.
inline bool readU8(Bytes b, std::size_t at, std::uint8_t& v) {
  if (!inBounds(b, at, 1)) return false;
  v = u8(b, at);
  return true;
}
inline bool readU16(Bytes b, std::size_t at, std::uint16_t& v) {
  if (!inBounds(b, at, 2)) return false;
  v = u16(b, at);
  return true;
}
inline bool readU32(Bytes b, std::size_t at, std::uint32_t& v) {
  if (!inBounds(b, at, 4)) return false;
  v = u32(b, at);
  return true;
}

}  // namespace jet
