// page_codec.h: pages as the engine sees them: read through PageFile, decoded when the file's
// pages are RC4-encoded, checked against the file's page count, and kept in a small bounded cache.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/file/page_file.h"
#include "jet/core/status.h"

namespace jet {

using PagePtr = std::shared_ptr<const std::vector<std::uint8_t>>;

// How a file's pages are stored: identity for plain files, Jet's RC4 page encoding, or one of the
// .accdb ciphers. Both directions work in place on one whole page and never allocate, so the page
// channel can run them on every read and write. Page 0 (the header) is never passed through.
class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Stored bytes of page `number` to plain bytes.
  virtual void decode(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
  // Plain bytes of page `number` to the bytes the file stores.
  virtual void encode(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
};

// RC4 page encoding of Jet files: page n (n > 0) is RC4 with key = encoding key XOR n
// (little-endian).
void codePage(std::uint32_t encodingKey, std::uint32_t pageNumber, std::span<std::uint8_t> page);

class PageReader {
 public:
  static constexpr std::size_t kCacheSize = 16;

  PageReader(const PageFile& file, std::uint32_t pageSize, std::uint32_t encodingKey);
  std::uint32_t pageSize() const { return pageSize_; }
  std::uint32_t pageCount() const { return pageCount_; }
  const std::string& path() const { return file_.path(); }
  // Page `n`, decoded. An error names the file and page when n is beyond the file.
  Result<PagePtr> page(std::uint32_t n) const;

 private:
  struct Slot {
    std::uint32_t number = 0;
    std::uint64_t lastUse = 0;
    PagePtr data;
  };
  const PageFile& file_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_;
  std::uint32_t encodingKey_;
  mutable std::vector<Slot> cache_;
  mutable std::uint64_t clock_ = 0;
};

}  // namespace jet
