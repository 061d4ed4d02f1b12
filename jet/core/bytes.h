// bytes.h: the engine's one set of little-endian byte helpers. Reads from a byte span are
// bounds-checked where the caller asks (readU16...), so an offset past the end gives false, never
// a stray read; stores go into a buffer the caller has sized and never grow it.
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

// Stores.
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
