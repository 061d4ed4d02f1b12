// journal.cpp: the journal's byte layout (header, checked entries), its validation, and the
// roll-back. Layout and the numbered invariants: docs/format/journal.md.

#include "jet/file/journal.h"

#include <zlib.h>

#include <sys/stat.h>

#include <array>
#include <functional>
#include <random>
#include <vector>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'F', 'M', 'J', 'R', 'N', 'L', 0x1A, '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kHeaderChecked = 32;  // bytes covered by the header checksum
constexpr std::size_t kEntryPrefix = 8;     // page number, checksum
constexpr std::uint32_t kMinPageSize = 512;
constexpr std::uint32_t kMaxPageSize = 65536;

// CRC-32 (the ISO-HDLC one of zip and PNG), by zlib, `crc` continuing an earlier run.
std::uint32_t crc32(std::span<const std::uint8_t> data, std::uint32_t crc = 0) {
  return static_cast<std::uint32_t>(
      ::crc32_z(crc, data.data(), static_cast<z_size_t>(data.size())));
}

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
std::uint64_t get64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

std::uint32_t entryChecksum(std::uint32_t salt, std::uint32_t page,
                            std::span<const std::uint8_t> image) {
  std::array<std::uint8_t, 8> prefix{};
  put32(prefix.data(), salt);
  put32(prefix.data() + 4, page);
  return crc32(image, crc32(prefix));
}

std::array<std::uint8_t, kHeaderSize> encodeHeader(const JournalHeader& h) {
  std::array<std::uint8_t, kHeaderSize> b{};
  std::copy(kMagic.begin(), kMagic.end(), b.begin());
  put32(&b[8], kVersion);
  put32(&b[12], h.pageSize);
  put64(&b[16], h.originalLength);
  put32(&b[24], h.pageCount);
  put32(&b[28], h.salt);
  put32(&b[32], crc32(std::span(b).first(kHeaderChecked)));
  return b;
}

std::uint64_t entryOffset(const JournalHeader& h, std::uint32_t index) {
  return kHeaderSize + std::uint64_t{index} * (kEntryPrefix + h.pageSize);
}

bool validPageSize(std::uint32_t size) {
  return size >= kMinPageSize && size <= kMaxPageSize && (size & (size - 1)) == 0;
}

// What a journal on disk holds. complete == false: a crash while writing it.
struct Findings {
  bool complete = false;
  JournalHeader header;
};

Error unreadable(const std::string& path, const std::string& why) {
  return Error{err::kJournal, "The rollback journal " + path + " " + why +
                                  "; it and the database were left as they are"};
}

// Reads the header: complete == false when it is short or fails its checksum.
Result<Findings> readHeader(const RawFile& journal) {
  std::array<std::uint8_t, kHeaderSize> b{};
  JET_ASSIGN_OR_RETURN(const std::size_t got, journal.readUpTo(0, b));
  Findings result;
  if (got < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), b.begin())) return result;
  if (get32(&b[8]) != kVersion) {
    return unreadable(journal.path(), "was written by a newer version of this program");
  }
  if (get32(&b[32]) != crc32(std::span(b).first(kHeaderChecked))) return result;
  result.header = {get32(&b[12]), get64(&b[16]), get32(&b[24]), get32(&b[28])};
  if (!validPageSize(result.header.pageSize)) {
    return unreadable(journal.path(), "names an impossible page size");
  }
  result.complete = true;
  return result;
}

using EntryVisitor = std::function<Status(std::uint32_t, std::span<const std::uint8_t>)>;

// Reads the entries one at a time into one buffer. Returns false at the first short or
// mismatched entry without visiting further; `visit` sees only entries that check out.
Result<bool> forEachEntry(const RawFile& journal, const JournalHeader& h,
                          const EntryVisitor& visit) {
  std::vector<std::uint8_t> buffer(kEntryPrefix + h.pageSize);
  const auto image = std::span<const std::uint8_t>(buffer).subspan(kEntryPrefix);
  for (std::uint32_t i = 0; i < h.pageCount; ++i) {
    JET_ASSIGN_OR_RETURN(const std::size_t got, journal.readUpTo(entryOffset(h, i), buffer));
    if (got < buffer.size()) return false;
    const std::uint32_t page = get32(buffer.data());
    if (get32(buffer.data() + 4) != entryChecksum(h.salt, page, image)) return false;
    if (std::uint64_t{page} * h.pageSize >= h.originalLength) {
      return unreadable(journal.path(), "holds page " + std::to_string(page) +
                                            ", beyond the database's original end");
    }
    if (visit) JET_TRY(visit(page, image));
  }
  return true;
}

Result<Findings> examine(const RawFile& journal) {
  JET_ASSIGN_OR_RETURN(Findings result, readHeader(journal));
  if (!result.complete) return result;
  JET_ASSIGN_OR_RETURN(result.complete, forEachEntry(journal, result.header, nullptr));
  return result;
}

std::uint32_t freshSalt() {
  std::random_device device;
  return static_cast<std::uint32_t>(device());
}

Status deleteJournal(const std::string& path, const std::string& databasePath, FaultHook* faults) {
  JET_TRY(RawFile::remove(path, faults));
  return RawFile::syncFolderOf(databasePath, faults);
}

Status playBack(RawFile& database, const RawFile& journal, const JournalHeader& h) {
  JET_ASSIGN_OR_RETURN(const bool complete,
                       forEachEntry(journal, h, [&](std::uint32_t page, auto image) {
                         return database.writePage(page, image);
                       }));
  if (!complete) return unreadable(journal.path(), "changed while the database was rolled back");
  JET_TRY(database.truncate(h.originalLength));
  return database.sync();
}

}  // namespace

std::string journalPath(const std::string& databasePath) { return databasePath + "-journal"; }

Result<JournalWriter> JournalWriter::create(const std::string& databasePath, std::uint32_t pageSize,
                                            std::uint64_t originalLength, std::uint32_t pageCount,
                                            FaultHook* faults) {
  const JournalHeader header{pageSize, originalLength, pageCount, freshSalt()};
  const std::string path = journalPath(databasePath);
  // The journal holds the database's bytes: it gets the database's permissions, no more.
  struct stat database {};
  const unsigned permissions =
      ::stat(databasePath.c_str(), &database) == 0 ? (database.st_mode & 0666u) : 0600u;
  auto opened = RawFile::open(path, RawFile::Mode::kCreateNew, faults, permissions);
  if (!opened) {
    return Error{opened.error().number,
                 "Cannot start the rollback journal: " + opened.error().description};
  }
  JournalWriter writer(std::move(opened).value(), header, faults);
  JET_TRY(writer.file_.write(0, encodeHeader(header)));
  return writer;
}

Status JournalWriter::append(std::uint32_t page, std::span<const std::uint8_t> originalImage) {
  if (appended_ >= header_.pageCount || originalImage.size() != header_.pageSize) {
    return Error{err::kJournal, "Internal error: unexpected page " + std::to_string(page) +
                                    " for the rollback journal " + path()};
  }
  const std::size_t at = gathered_.size();
  gathered_.resize(at + kEntryPrefix + header_.pageSize);
  std::uint8_t* entry = gathered_.data() + at;
  put32(entry, page);
  put32(entry + 4, entryChecksum(header_.salt, page, originalImage));
  std::copy(originalImage.begin(), originalImage.end(), entry + kEntryPrefix);
  ++appended_;
  if (gathered_.size() >= kWriteSize) return writeGathered();
  return Status::success();
}

// The entries are consecutive in the file, so the gathered ones go out in one write. Until
// finish() the journal counts as incomplete whatever part of it reached the disk.
Status JournalWriter::writeGathered() {
  if (gathered_.empty()) return Status::success();
  JET_TRY(file_.write(entryOffset(header_, written_), gathered_));
  written_ = appended_;
  gathered_.clear();
  return Status::success();
}

Status JournalWriter::finish() {
  if (appended_ != header_.pageCount) {
    return Error{err::kJournal, "Internal error: the rollback journal " + path() + " holds " +
                                    std::to_string(appended_) + " of " +
                                    std::to_string(header_.pageCount) + " pages"};
  }
  JET_TRY(writeGathered());
  JET_TRY(file_.sync());
  return RawFile::syncFolderOf(path(), faults_);
}

Result<bool> hasHotJournal(const std::string& databasePath) {
  const std::string path = journalPath(databasePath);
  if (!RawFile::exists(path)) return false;
  JET_ASSIGN_OR_RETURN(const RawFile journal, RawFile::open(path, RawFile::Mode::kReadOnly));
  JET_ASSIGN_OR_RETURN(const Findings found, examine(journal));
  return found.complete;
}

Result<Recovery> recoverFromJournal(RawFile& database, FaultHook* faults) {
  const std::string path = journalPath(database.path());
  if (!RawFile::exists(path)) return Recovery::kNone;
  JET_ASSIGN_OR_RETURN(const RawFile journal,
                       RawFile::open(path, RawFile::Mode::kReadOnly, faults));
  JET_ASSIGN_OR_RETURN(const Findings found, examine(journal));
  if (found.complete) JET_TRY(playBack(database, journal, found.header));
  JET_TRY(deleteJournal(path, database.path(), faults));
  return found.complete ? Recovery::kRolledBack : Recovery::kDiscardedIncomplete;
}

}  // namespace jet
