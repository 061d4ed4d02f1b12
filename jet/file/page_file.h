// page_file.h: the database file as raw bytes: opens it read-only and reads byte ranges,
// naming the file in every error. Knows nothing of page contents or encoding.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/core/status.h"

namespace jet {

class PageFile {
 public:
  static Result<std::unique_ptr<PageFile>> openReadOnly(const std::string& path);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  // Fills `out` from `offset`; an error when the file ends first.
  Status read(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  PageFile(std::string path, int fd, std::uint64_t size);
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace jet
