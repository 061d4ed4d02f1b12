// file_page_source.h: decoded pages straight from a database file (read-only descriptor), for a
// page cache that only reads (the integrity check). Pages of RC4-encoded Jet files are decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/pager/page_cache.h"
#include "jet/core/status.h"

namespace jet {

class FilePageSource : public PageSource {
 public:
  // `encodingKey`: non-zero for RC4-encoded Jet files (pages above 0 are encoded).
  static Result<std::unique_ptr<FilePageSource>> open(const std::string& path,
                                                      std::uint32_t pageSize,
                                                      std::uint32_t encodingKey);
  ~FilePageSource() override;
  FilePageSource(const FilePageSource&) = delete;
  FilePageSource& operator=(const FilePageSource&) = delete;

  std::uint32_t pageSize() const override { return pageSize_; }
  std::uint32_t pageCount() const override;
  Status readPage(std::uint32_t number, std::span<std::uint8_t> out) const override;
  // Encodes `page` as the file stores page `number` (identity unless RC4-encoded).
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const;
  const std::string& path() const { return path_; }

 private:
  FilePageSource(std::string path, int fd, std::uint32_t pageSize, std::uint32_t key)
      : path_(std::move(path)), fd_(fd), pageSize_(pageSize), key_(key) {}
  std::string path_;
  int fd_;
  std::uint32_t pageSize_;
  std::uint32_t key_;
};

}  // namespace jet
