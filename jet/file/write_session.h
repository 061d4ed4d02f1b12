// write_session.h: a database opened for writing: read-write file, exclusive lock, and the
// roll-back of an interrupted change found on opening. Changes go through WriteTransaction.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/file/fault_hook.h"
#include "jet/file/file_lock.h"
#include "jet/file/journal.h"
#include "jet/file/raw_file.h"
#include "jet/core/status.h"

namespace jet {

class WriteTransaction;

struct WriteSessionOptions {
  // 0: taken from the header page (byte 0x14: 0 for the 2 KB Jet3 format, 4 KB for the rest).
  std::uint32_t pageSize = 0;
  FaultHook* faults = nullptr;  // tests only: simulated crashes; must outlive the session
};

class WriteSession {
 public:
  // Opens `path` for writing, in this order: read-write (err::kReadOnly when the file, its
  // folder or the disk forbid it), the exclusive lock (err::kLocked when another writer has it),
  // Access's lock file (err::kLocked when present), then the roll-back of a journal left by an
  // interrupted change (recovery() says what happened). A refusal leaves both files alone; a
  // roll-back that fails part-way keeps the journal, so that the next opening finishes it.
  static Result<std::unique_ptr<WriteSession>> open(const std::string& path,
                                                    const WriteSessionOptions& options = {});

  const std::string& path() const { return file_.path(); }
  std::uint32_t pageSize() const { return pageSize_; }
  std::uint64_t fileLength() const { return length_; }
  // What opening found: kRolledBack means the caller should tell the user that an interrupted
  // change was undone.
  Recovery recovery() const { return recovery_; }

  // Reads a committed page (out.size() must be the page size).
  Status readPage(std::uint32_t page, std::span<std::uint8_t> out) const;

  // A new, empty transaction over this session. The session must outlive it.
  WriteTransaction begin();

 private:
  friend class WriteTransaction;
  WriteSession(RawFile file, FileLock lock, std::uint32_t pageSize, std::uint64_t length,
               Recovery recovery, FaultHook* faults)
      : file_(std::move(file)),
        lock_(std::move(lock)),
        pageSize_(pageSize),
        length_(length),
        recovery_(recovery),
        faults_(faults) {}

  // Refuses further changes after a commit that failed and could not be undone in place.
  Status checkUsable() const;

  RawFile file_;  // declared before lock_: the lock goes first
  FileLock lock_;
  std::uint32_t pageSize_;
  std::uint64_t length_;
  Recovery recovery_;
  FaultHook* faults_;
  bool broken_ = false;
};

}  // namespace jet
