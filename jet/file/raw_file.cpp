// raw_file.cpp: POSIX file I/O for RawFile: retries on EINTR and short transfers, maps errno
// to the engine's error numbers, and consults the fault hook before anything changes on disk.

#include "jet/file/raw_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

Error ioError(const std::string& path, const std::string& what, int errnum) {
  return Error{err::kIo, "Cannot " + what + " " + path + ": " + std::strerror(errnum)};
}

Error injected(const std::string& path) {
  return Error{err::kInjectedFault, "Injected fault while writing " + path};
}

bool deniedForWriting(int errnum) { return errnum == EACCES || errnum == EPERM || errnum == EROFS; }

Result<off_t> toOffset(const std::string& path, std::uint64_t offset, std::size_t length) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
  if (offset > kMax || length > kMax - offset) {
    return Error{err::kIo,
                 "Offset " + std::to_string(offset) + " is beyond what " + path + " can hold"};
  }
  return static_cast<off_t>(offset);
}

Result<int> openDescriptor(const std::string& path, RawFile::Mode mode, unsigned permissions) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case RawFile::Mode::kReadOnly:
      flags |= O_RDONLY;
      break;
    case RawFile::Mode::kReadWrite:
      flags |= O_RDWR;
      break;
    case RawFile::Mode::kCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, static_cast<mode_t>(permissions));
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) return fd;
  const int e = errno;
  if (e == ENOENT) return Error{err::kIo, "The file " + path + " does not exist"};
  if (mode != RawFile::Mode::kReadOnly && deniedForWriting(e)) {
    return Error{err::kReadOnly, "Cannot write to " + path + ": " + std::strerror(e) +
                                     " (read-only file, folder or disk)"};
  }
  if (e == EEXIST) return Error{err::kIo, "Cannot create " + path + ": it already exists"};
  return ioError(path, "open", e);
}

}  // namespace

Result<RawFile> RawFile::open(const std::string& path, Mode mode, FaultHook* faults,
                              unsigned permissions) {
  if (faults != nullptr && faults->dead()) return injected(path);
  JET_ASSIGN_OR_RETURN(const int fd, openDescriptor(path, mode, permissions));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Error{err::kIo, path + " is not a regular file"};
  }
  return RawFile(path, fd, faults);
}

RawFile::RawFile(RawFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), faults_(other.faults_) {}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
  if (this != &other) {
    close();
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
    faults_ = other.faults_;
  }
  return *this;
}

RawFile::~RawFile() { close(); }

void RawFile::close() {
  if (fd_ >= 0) ::close(fd_);  // nothing useful to do on failure: data was synced or is moot
  fd_ = -1;
}

Status RawFile::checkAlive() const {
  if (faults_ != nullptr && faults_->dead()) return injected(path_);
  return Status::success();
}

Result<std::uint64_t> RawFile::size() const {
  JET_TRY(checkAlive());
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return ioError(path_, "measure", errno);
  return static_cast<std::uint64_t>(st.st_size);
}

Result<std::size_t> RawFile::readUpTo(std::uint64_t offset, std::span<std::uint8_t> out) const {
  JET_TRY(checkAlive());
  JET_ASSIGN_OR_RETURN(off_t pos, toOffset(path_, offset, out.size()));
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, pos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      return ioError(
          path_,
          "read " + std::to_string(out.size()) + " bytes at byte " + std::to_string(offset) + " of",
          errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    pos += n;
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(done), out.end(), std::uint8_t{0});
  return done;
}

Status RawFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
  JET_ASSIGN_OR_RETURN(const std::size_t got, readUpTo(offset, out));
  if (got < out.size()) {
    return Error{err::kTruncated, path_ + " ends before byte " +
                                      std::to_string(offset + out.size()) + " (read at byte " +
                                      std::to_string(offset) + ")"};
  }
  return Status::success();
}

Status RawFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  JET_ASSIGN_OR_RETURN(off_t pos, toOffset(path_, offset, data.size()));
  FaultHook::Decision plan{data.size(), false};
  if (faults_ != nullptr) plan = faults_->beforeWrite(data.size());
  std::size_t done = 0;
  while (done < plan.bytesToWrite) {
    const ssize_t n = ::pwrite(fd_, data.data() + done, plan.bytesToWrite - done, pos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      return ioError(path_,
                     "write " + std::to_string(data.size()) + " bytes at byte " +
                         std::to_string(offset) + " of",
                     errno);
    if (n == 0) return ioError(path_, "write to", EIO);
    done += static_cast<std::size_t>(n);
    pos += n;
  }
  if (plan.fail) return injected(path_);
  return Status::success();
}

Status RawFile::readPage(std::uint32_t page, std::span<std::uint8_t> out) const {
  return read(std::uint64_t{page} * out.size(), out);
}

Status RawFile::writePage(std::uint32_t page, std::span<const std::uint8_t> image) {
  return write(std::uint64_t{page} * image.size(), image);
}

Status RawFile::truncate(std::uint64_t length) {
  JET_ASSIGN_OR_RETURN(const off_t len, toOffset(path_, length, 0));
  if (faults_ != nullptr && faults_->beforeWrite(0).fail) return injected(path_);
  int rc;
  do {
    rc = ::ftruncate(fd_, len);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return ioError(path_, "set the length of", errno);
  return Status::success();
}

Status RawFile::sync() {
  JET_TRY(checkAlive());
  int rc;
  do {
    rc = ::fsync(fd_);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return ioError(path_, "flush to disk", errno);
  return Status::success();
}

Status RawFile::syncFolderOf(const std::string& path, FaultHook* faults) {
  const std::string folder = folderOf(path);
  if (faults != nullptr && faults->dead()) return injected(path);
  int fd;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ioError(folder, "open the folder", errno);
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  const int e = errno;
  ::close(fd);
  // Some file systems cannot sync a folder; their folder entries are durable by other means.
  if (rc != 0 && e != EINVAL && e != EBADF) return ioError(folder, "flush the folder", e);
  return Status::success();
}

Status RawFile::remove(const std::string& path, FaultHook* faults) {
  if (faults != nullptr && faults->beforeWrite(0).fail) return injected(path);
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return ioError(path, "delete", errno);
  return Status::success();
}

bool RawFile::exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace jet
