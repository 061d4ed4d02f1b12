// page_file.h: the database file under the pager, and the one way the engine opens it: to read
// (a change a crash left half-done is rolled back first), to write (read-write, the writers' lock,
// the journal played back), or new (made now and written in place). Byte ranges only: it knows
// nothing of page contents or their coding. Journalled changes: write_transaction.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "jet/core/status.h"
#include "jet/file/fault_hook.h"
#include "jet/file/file_lock.h"
#include "jet/file/journal.h"
#include "jet/file/raw_file.h"

namespace jet {

class PageFile {
 public:
  enum class Mode {
    kRead,    // read-only
    kWrite,   // read-write under the writers' lock; changed only through WriteTransaction
    kCreate,  // made by this opening: nobody else has it, so it is written in place
  };

  // A complete journal beside the file means a change was interrupted (or is being committed by
  // another program right now): pages may be half-written. It is undone first, as opening for
  // writing would, and recovery() says so; when that cannot be done the opening fails rather
  // than show half-changed data.
  static Result<std::unique_ptr<PageFile>> openForReading(const std::string& path);
  // In this order: read-write (err::kReadOnly when the file, its folder or the disk forbid it),
  // the exclusive lock (err::kLocked when another writer has it), Access's lock file (err::kLocked
  // when present), then the roll-back of a journal left by an interrupted change. A refusal
  // leaves both files alone; a roll-back that fails part-way keeps the journal, so that the next
  // opening finishes it. `faults` (tests only) must outlive the file.
  static Result<std::unique_ptr<PageFile>> openForWriting(const std::string& path,
                                                          FaultHook* faults = nullptr);
  // A new file (an error when `path` exists), readable and writable by its owner only.
  static Result<std::unique_ptr<PageFile>> create(const std::string& path,
                                                  FaultHook* faults = nullptr);
  // Read-only as it is, without looking for a journal: for tools and tests over files they made.
  static Result<std::unique_ptr<PageFile>> openReadOnly(const std::string& path);

  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  const std::string& path() const { return file_.path(); }
  Mode mode() const { return mode_; }
  // The length when opened, then as commits and in-place writes leave it.
  std::uint64_t size() const { return size_; }
  // What opening found: kRolledBack means the user should be told an interrupted change was
  // undone.
  Recovery recovery() const { return recovery_; }

  // Fills `out` from `offset`; an error naming the file when it ends first.
  Status read(std::uint64_t offset, std::span<std::uint8_t> out) const;
  // kCreate only: writes `data` at `offset`, growing the file.
  Status write(std::uint64_t offset, std::span<const std::uint8_t> data);
  // Makes everything written so far durable.
  Status sync() { return file_.sync(); }

 private:
  friend class WriteTransaction;
  PageFile(RawFile file, Mode mode, std::uint64_t size, FaultHook* faults)
      : file_(std::move(file)), mode_(mode), size_(size), faults_(faults) {}

  RawFile file_;  // declared before lock_: the lock goes first
  std::optional<FileLock> lock_;
  Mode mode_;
  std::uint64_t size_;
  FaultHook* faults_;
  Recovery recovery_ = Recovery::kNone;
  bool broken_ = false;  // a commit failed and could not be undone in place: no more changes
};

}  // namespace jet
