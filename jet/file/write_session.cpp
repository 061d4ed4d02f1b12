// write_session.cpp: the steps of opening a database for writing, and committed-page reads.

#include "jet/file/write_session.h"

#include <array>

#include "jet/core/error_codes.h"
#include "jet/file/write_transaction.h"

namespace jet {
namespace {

constexpr std::uint64_t kVersionOffset = 0x14;  // header page: format version byte
constexpr std::uint32_t kJet3PageSize = 2048;
constexpr std::uint32_t kPageSize = 4096;

Result<std::uint32_t> pageSizeFromHeader(const RawFile& file) {
  std::array<std::uint8_t, 1> version{};
  Status s = file.read(kVersionOffset, version);
  if (!s) return Error{err::kNotAccessFile, file.path() + " is too short to be an Access database"};
  return version[0] == 0 ? kJet3PageSize : kPageSize;
}

Result<std::uint32_t> pageSizeFor(const RawFile& file, const WriteSessionOptions& options) {
  if (options.pageSize != 0) return options.pageSize;
  return pageSizeFromHeader(file);
}

// Opening read-write failed: say so, and mention a journal that is waiting to be played back.
Error refuseOpen(const std::string& path, Error error) {
  auto hot = hasHotJournal(path);
  if (hot.ok() && *hot) {
    error.description += ". " + path + " was left half-changed by an interrupted write, and " +
                         "cannot be restored until it can be written again";
  }
  return error;
}

Result<RawFile> openForWriting(const std::string& path, FaultHook* faults) {
  auto file = RawFile::open(path, RawFile::Mode::kReadWrite, faults);
  if (!file) return refuseOpen(path, file.error());
  Status access = checkWriteAccess(path);
  if (!access) return refuseOpen(path, access.error());
  return file;
}

}  // namespace

Result<std::unique_ptr<WriteSession>> WriteSession::open(const std::string& path,
                                                         const WriteSessionOptions& options) {
  JET_ASSIGN_OR_RETURN(RawFile file, openForWriting(path, options.faults));
  JET_ASSIGN_OR_RETURN(FileLock lock, FileLock::acquire(file));
  JET_ASSIGN_OR_RETURN(const Recovery recovery, recoverFromJournal(file, options.faults));
  JET_ASSIGN_OR_RETURN(const std::uint32_t pageSize, pageSizeFor(file, options));
  JET_ASSIGN_OR_RETURN(const std::uint64_t length, file.size());
  return std::unique_ptr<WriteSession>(new WriteSession(std::move(file), std::move(lock), pageSize,
                                                        length, recovery, options.faults));
}

Status WriteSession::readPage(std::uint32_t page, std::span<std::uint8_t> out) const {
  if (out.size() != pageSize_) {
    return Error{err::kIo, "Internal error: page buffer of " + std::to_string(out.size()) +
                               " bytes for " + path()};
  }
  return file_.readPage(page, out);
}

WriteTransaction WriteSession::begin() { return WriteTransaction(*this); }

Status WriteSession::checkUsable() const {
  if (!broken_) return Status::success();
  return Error{err::kJournal, "An earlier change to " + path() + " failed and could not be " +
                                  "undone yet; close the file and open it again to restore it"};
}

}  // namespace jet
