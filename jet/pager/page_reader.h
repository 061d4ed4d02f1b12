// page_reader.h: the reader's view of a file's pages: decoded pages from the page channel, kept
// in a small bounded cache and handed out shared, so a structure module can hold on to the page
// it is reading while it asks for others.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/core/status.h"
#include "jet/file/page_file.h"

namespace jet {

class PageChannel;

using PagePtr = std::shared_ptr<const std::vector<std::uint8_t>>;

class PageReader {
 public:
  static constexpr std::size_t kCacheSize = 16;

  // `channel` must outlive the reader.
  explicit PageReader(const PageChannel& channel);
  // Pages of a file a tool or test opened itself (PageFile::openReadOnly), RC4-decoded when
  // `encodingKey` is not 0.
  PageReader(const PageFile& file, std::uint32_t pageSize, std::uint32_t encodingKey);
  ~PageReader();
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  std::uint32_t pageSize() const { return pageSize_; }
  std::uint32_t pageCount() const { return pageCount_; }
  const std::string& path() const;
  // Page `n`, decoded. An error names the file and page when n is beyond the file.
  Result<PagePtr> page(std::uint32_t n) const;

 private:
  struct Slot {
    std::uint32_t number = 0;
    std::uint64_t lastUse = 0;
    std::shared_ptr<std::vector<std::uint8_t>> data;  // null: empty slot
  };
  Slot& victim() const;

  std::unique_ptr<PageChannel> owned_;  // only for the PageFile form
  const PageChannel& channel_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_;
  mutable std::vector<Slot> cache_;
  mutable std::uint64_t clock_ = 0;
};

}  // namespace jet
