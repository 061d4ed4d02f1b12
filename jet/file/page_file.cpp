// page_file.cpp: the steps of each way of opening a database file, and byte-range access.
#include "jet/file/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

// Opening read-write failed: say so, and mention a journal that is waiting to be played back.
Error refuseOpen(const std::string& path, Error error) {
  auto hot = hasHotJournal(path);
  if (hot.ok() && *hot) {
    error.description += ". " + path + " was left half-changed by an interrupted write, and " +
                         "cannot be restored until it can be written again";
  }
  return error;
}

}  // namespace

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
  return std::unique_ptr<PageFile>(new PageFile(RawFile::adopt(path, fd), Mode::kRead,
                                                static_cast<std::uint64_t>(st.st_size), nullptr));
}

Result<std::unique_ptr<PageFile>> PageFile::openForReading(const std::string& path) {
  JET_ASSIGN_OR_RETURN(bool hot, hasHotJournal(path));
  Recovery recovery = Recovery::kNone;
  if (hot) {
    // The roll-back needs what a writer needs: write access and the lock, only for this moment.
    auto writer = openForWriting(path);
    if (!writer.ok()) {
      return Error{err::kJournal,
                   "'" + path + "' was left half-changed by an interrupted write, " +
                       "and the change cannot be undone now: " + writer.error().description};
    }
    recovery = (*writer)->recovery();
  }
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageFile> file, openReadOnly(path));
  file->recovery_ = recovery;
  return file;
}

Result<std::unique_ptr<PageFile>> PageFile::openForWriting(const std::string& path,
                                                           FaultHook* faults) {
  auto opened = RawFile::open(path, RawFile::Mode::kReadWrite, faults);
  if (!opened) return refuseOpen(path, opened.error());
  RawFile file = std::move(opened).value();
  if (Status access = checkWriteAccess(path); !access) return refuseOpen(path, access.error());
  JET_ASSIGN_OR_RETURN(FileLock lock, FileLock::acquire(file));
  JET_ASSIGN_OR_RETURN(const Recovery recovery, recoverFromJournal(file, faults));
  JET_ASSIGN_OR_RETURN(const std::uint64_t size, file.size());
  std::unique_ptr<PageFile> out(new PageFile(std::move(file), Mode::kWrite, size, faults));
  out->lock_.emplace(std::move(lock));
  out->recovery_ = recovery;
  return out;
}

Result<std::unique_ptr<PageFile>> PageFile::create(const std::string& path, FaultHook* faults) {
  JET_ASSIGN_OR_RETURN(RawFile file, RawFile::open(path, RawFile::Mode::kCreateNew, faults));
  return std::unique_ptr<PageFile>(new PageFile(std::move(file), Mode::kCreate, 0, faults));
}

Status PageFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > size_ || out.size() > size_ - offset) {
    return Error{err::kTruncated,
                 "'" + path() + "' ends before byte " + std::to_string(offset + out.size()) + "."};
  }
  return file_.read(offset, out);
}

Status PageFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (mode_ != Mode::kCreate) {
    return Error{err::kIo, "Internal error: " + path() + " is written only through a journal"};
  }
  JET_TRY(file_.write(offset, data));
  size_ = std::max<std::uint64_t>(size_, offset + data.size());
  return Status::success();
}

}  // namespace jet
