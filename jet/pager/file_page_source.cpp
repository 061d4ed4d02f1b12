// file_page_source.cpp: positioned reads of whole pages; the page count follows the file's size.
#include "jet/pager/file_page_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "jet/core/error_codes.h"
#include "jet/pager/page_codec.h"

namespace jet {

Result<std::unique_ptr<FilePageSource>> FilePageSource::open(const std::string& path,
                                                             std::uint32_t pageSize,
                                                             std::uint32_t encodingKey) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Error{err::kIo, "cannot open " + path + ": " + std::strerror(errno)};
  return std::unique_ptr<FilePageSource>(new FilePageSource(path, fd, pageSize, encodingKey));
}

FilePageSource::~FilePageSource() { ::close(fd_); }

std::uint32_t FilePageSource::pageCount() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size) / pageSize_);
}

Status FilePageSource::readPage(std::uint32_t number, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  auto offset = static_cast<off_t>(std::uint64_t{number} * pageSize_);
  while (done < out.size()) {
    ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      return Error{err::kIo, "cannot read page " + std::to_string(number) + " of " + path_};
    }
    done += static_cast<std::size_t>(n);
  }
  encode(number, out);  // RC4 is its own inverse
  return Status::success();
}

void FilePageSource::encode(std::uint32_t number, std::span<std::uint8_t> page) const {
  if (key_ == 0 || number == 0) return;
  codePage(key_, number, page);
}

}  // namespace jet
