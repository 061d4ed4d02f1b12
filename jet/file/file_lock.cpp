// file_lock.cpp: open-file-description locks (F_OFD_SETLK) and the lock-file and folder checks
// made before a database is opened for writing.

#include "jet/file/file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

struct flock wholeFile(short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // to the end, however far the file grows
  fl.l_pid = 0;  // required for open-file-description locks
  return fl;
}

std::string lowerCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

Result<FileLock> FileLock::acquire(const RawFile& file) {
  struct flock fl = wholeFile(F_WRLCK);
  int rc;
  do {
    rc = ::fcntl(file.descriptor(), F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return FileLock(file.descriptor());
  const int e = errno;
  if (e == EAGAIN || e == EACCES) {
    return Error{err::kLocked, file.path() +
                                   " is being changed by another program or window; "
                                   "close it there and try again"};
  }
  return Error{err::kIo, "Cannot lock " + file.path() + ": " + std::strerror(e)};
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileLock::~FileLock() { release(); }

void FileLock::release() {
  if (fd_ < 0) return;
  struct flock fl = wholeFile(F_UNLCK);
  ::fcntl(fd_, F_OFD_SETLK, &fl);  // closing the file releases it anyway
  fd_ = -1;
}

std::string accessLockFilePath(const std::string& databasePath) {
  const auto slash = databasePath.find_last_of('/');
  const auto dot = databasePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = hasExtension ? databasePath.substr(0, dot) : databasePath;
  const std::string extension = hasExtension ? lowerCase(databasePath.substr(dot)) : "";
  const bool ace = extension.rfind(".accd", 0) == 0;
  return base + (ace ? ".laccdb" : ".ldb");
}

Status checkWriteAccess(const std::string& databasePath) {
  const std::string lockFile = accessLockFilePath(databasePath);
  if (RawFile::exists(lockFile)) {
    return Error{err::kLocked, databasePath + " is open in Microsoft Access (its lock file " +
                                   lockFile + " is beside it); close it there first, or delete " +
                                   "the lock file if no one has it open"};
  }
  const std::string folder = folderOf(databasePath);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return Error{err::kReadOnly, "Cannot write to " + databasePath + ": its folder " + folder +
                                     " does not allow creating files (" + std::strerror(errno) +
                                     ")"};
  }
  return Status::success();
}

}  // namespace jet
