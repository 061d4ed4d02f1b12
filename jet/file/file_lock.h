// file_lock.h: exclusive access to a database while it is open for writing: an advisory
// whole-file lock held for the writer's lifetime, and the checks that refuse to write when
// Access has the file open or the folder cannot take a journal. Readers take no lock.
#pragma once

#include <string>

#include "jet/file/raw_file.h"
#include "jet/core/status.h"

namespace jet {

class FileLock {
 public:
  // Takes an exclusive lock over the whole of `file` (opened read-write), owned by its open
  // file description, so a second opening, in this process or another, is refused with
  // err::kLocked. `file` must outlive the lock; closing it also releases the lock.
  static Result<FileLock> acquire(const RawFile& file);

  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  void release();

  int fd_ = -1;
};

// The lock file Access keeps beside an open database: "<base>.laccdb" for the .accd* family,
// "<base>.ldb" for everything else (.mdb, .mde).
std::string accessLockFilePath(const std::string& databasePath);

// Refuses (err::kLocked) when Access's lock file is beside the database, and (err::kReadOnly)
// when the database's folder does not let us create the rollback journal.
Status checkWriteAccess(const std::string& databasePath);

}  // namespace jet
