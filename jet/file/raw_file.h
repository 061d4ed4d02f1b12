// raw_file.h: a database or journal file as bytes and fixed-size pages: open, positioned reads
// and writes that finish or fail, size, truncate, sync. Every error names the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "jet/file/fault_hook.h"
#include "jet/core/status.h"

namespace jet {

class RawFile {
 public:
  enum class Mode {
    kReadOnly,
    kReadWrite,  // an existing file; kReadOnly error when permissions or the mount forbid it
    kCreateNew,  // read-write, created now; an error when the file already exists
  };

  // `faults` (tests only) is asked before every write, truncate and delete; may be null.
  // `permissions` are those of a file made by kCreateNew (less the umask).
  static Result<RawFile> open(const std::string& path, Mode mode, FaultHook* faults = nullptr,
                              unsigned permissions = 0600);
  // Takes over `fd`, a regular file the caller opened, and closes it when done.
  static RawFile adopt(std::string path, int fd, FaultHook* faults = nullptr) {
    return RawFile(std::move(path), fd, faults);
  }

  RawFile(RawFile&& other) noexcept;
  RawFile& operator=(RawFile&& other) noexcept;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;
  ~RawFile();

  const std::string& path() const { return path_; }
  int descriptor() const { return fd_; }

  Result<std::uint64_t> size() const;
  // Fills all of `out` from `offset`; kTruncated when the file ends first.
  Status read(std::uint64_t offset, std::span<std::uint8_t> out) const;
  // Fills `out` as far as the file goes and zeroes the rest; returns the bytes read.
  Result<std::size_t> readUpTo(std::uint64_t offset, std::span<std::uint8_t> out) const;
  // Writes all of `data` at `offset`, growing the file if needed.
  Status write(std::uint64_t offset, std::span<const std::uint8_t> data);
  // Page `page` of `out.size()` bytes (the page size).
  Status readPage(std::uint32_t page, std::span<std::uint8_t> out) const;
  Status writePage(std::uint32_t page, std::span<const std::uint8_t> image);
  // Sets the length, growing with zeroes or cutting.
  Status truncate(std::uint64_t length);
  // Makes everything written so far durable.
  Status sync();

  // Makes the creation or deletion of a file in the folder holding `path` durable.
  static Status syncFolderOf(const std::string& path, FaultHook* faults = nullptr);
  // Deletes the file at `path` (not its folder entry's durability: see syncFolderOf).
  static Status remove(const std::string& path, FaultHook* faults = nullptr);
  // Whether a file exists at `path` (anything there counts).
  static bool exists(const std::string& path);

 private:
  RawFile(std::string path, int fd, FaultHook* faults)
      : path_(std::move(path)), fd_(fd), faults_(faults) {}
  Status checkAlive() const;
  void close();

  std::string path_;
  int fd_ = -1;
  FaultHook* faults_ = nullptr;
};

// The folder part of `path` ("." when it has none).
std::string folderOf(const std::string& path);

}  // namespace jet
