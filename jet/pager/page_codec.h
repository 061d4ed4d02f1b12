// page_codec.h: how a file stores its pages: as they are, under Jet's RC4 page encoding, or
// under one of the .accdb ciphers (accdb_codec.h); and the one place that picks the codec from the header
// page and the password. The page channel (page_channel.h) runs the codec on every page.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/core/status.h"
#include "jet/pager/header.h"
#include "jet/pager/page_reader.h"  // PageReader used to live here; its users still include this

namespace jet {

// Both directions work in place on one whole page and never allocate, so the page channel can
// run them on every read and write. Page 0 (the header) is never passed through.
class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Stored bytes of page `number` to plain bytes.
  virtual void decode(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
  // Plain bytes of page `number` to the bytes the file stores.
  virtual void encode(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
};

// Pages stored as they are.
class PlainPageCodec final : public PageCodec {
 public:
  void decode(std::uint32_t, std::span<std::uint8_t>) const override {}
  void encode(std::uint32_t, std::span<std::uint8_t>) const override {}
};

// Jet's RC4 page encoding (Jet3/Jet4 files with a non-zero encoding key in the header): page n
// is RC4 with the key (encoding key XOR n), little-endian. RC4 is its own inverse.
class Rc4PageCodec final : public PageCodec {
 public:
  explicit Rc4PageCodec(std::uint32_t encodingKey) : key_(encodingKey) {}
  void decode(std::uint32_t number, std::span<std::uint8_t> page) const override;
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const override {
    decode(number, page);
  }

 private:
  std::uint32_t key_;
};

// Plain for key 0, else Jet's RC4 page encoding with that key.
std::unique_ptr<PageCodec> jetPageCodec(std::uint32_t encodingKey);

// The codec of the database whose header page is `header`: checks a Jet3/Jet4 password against
// the stored one, or an .accdb password against the encryption descriptor's verifier
// (err::kAuthFailed either way), refuses a descriptor it cannot use (err::kUnsupported), and
// names the file at `path` in errors. The password is never part of a message.
Result<std::unique_ptr<PageCodec>> openPageCodec(const Header& header, const std::string& password,
                                                 const std::string& path);

}  // namespace jet
