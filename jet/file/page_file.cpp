// page_file.cpp: POSIX file access for PageFile.
#include "jet/file/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/core/error_codes.h"

namespace jet {

Result<std::unique_ptr<PageFile>> PageFile::openReadOnly(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return Error{err::kIo, "Cannot open '" + path + "': " + std::strerror(errno)};
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Error{err::kIo, "'" + path + "' is not a regular file."};
  }
  return std::unique_ptr<PageFile>(new PageFile(path, fd, static_cast<std::uint64_t>(st.st_size)));
}

PageFile::PageFile(std::string path, int fd, std::uint64_t size)
    : path_(std::move(path)), fd_(fd), size_(size) {}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

Status PageFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > size_ || out.size() > size_ - offset) {
    return Error{err::kTruncated,
                 "'" + path_ + "' ends before byte " + std::to_string(offset + out.size()) + "."};
  }
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      return Error{err::kIo, "Cannot read '" + path_ +
                                 "': " + (n < 0 ? std::strerror(errno) : "unexpected end of file")};
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

}  // namespace jet
