// journal.h: the rollback journal kept beside a database while a change is being committed:
// writing it (original page images, each checked), telling whether one is hot, and rolling the
// database back from it. The byte layout and the protocol are in docs/format/journal.md.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/file/fault_hook.h"
#include "jet/file/raw_file.h"
#include "jet/core/status.h"

namespace jet {

// "<database file name>-journal", in the database's folder.
std::string journalPath(const std::string& databasePath);

struct JournalHeader {
  std::uint32_t pageSize = 0;
  std::uint64_t originalLength = 0;  // the database's length in bytes before the change
  std::uint32_t pageCount = 0;       // original images that follow the header
  std::uint32_t salt = 0;            // random per journal; mixed into every entry's checksum
};

// Writes a new journal: the header first, then each original image as it is appended.
class JournalWriter {
 public:
  // Creates the journal, which must not exist yet, and writes its header.
  static Result<JournalWriter> create(const std::string& databasePath, std::uint32_t pageSize,
                                      std::uint64_t originalLength, std::uint32_t pageCount,
                                      FaultHook* faults = nullptr);
  // Appends the image of `page` as it is in the database now (exactly one page).
  Status append(std::uint32_t page, std::span<const std::uint8_t> originalImage);
  // Checks that every announced page was appended, then makes the journal and its folder
  // entry durable. Only after this may the database be written.
  Status finish();

  const std::string& path() const { return file_.path(); }

 private:
  JournalWriter(RawFile file, JournalHeader header, FaultHook* faults)
      : file_(std::move(file)), header_(header), faults_(faults) {}

  // Entries gather and go to the file in writes of up to this many bytes.
  static constexpr std::size_t kWriteSize = 256 * 1024;
  Status writeGathered();

  RawFile file_;
  JournalHeader header_;
  FaultHook* faults_;
  std::uint32_t appended_ = 0;
  std::uint32_t written_ = 0;           // entries in the file so far
  std::vector<std::uint8_t> gathered_;  // the entries after them
};

// True when a complete journal is beside the database: the database may be half-changed and
// must not be read until it is opened for writing, which rolls it back. An incomplete journal
// (a crash while writing it, before the database was touched) does not count.
Result<bool> hasHotJournal(const std::string& databasePath);

enum class Recovery {
  kNone,                 // no journal
  kDiscardedIncomplete,  // an incomplete journal was deleted; the database was not touched
  kRolledBack,           // the database was restored to its state before an interrupted change
};

// Run when a database is opened for writing, with its lock held. A complete journal is played
// back (every original image written, the length restored, synced) and then deleted; an
// incomplete one is deleted. On failure the journal stays, so the next attempt starts again.
// A journal we cannot interpret (newer layout) is an err::kJournal error and is left alone.
Result<Recovery> recoverFromJournal(RawFile& database, FaultHook* faults = nullptr);

}  // namespace jet
