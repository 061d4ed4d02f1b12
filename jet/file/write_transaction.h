// write_transaction.h: one all-or-nothing change to a database file opened for writing
// (PageFile::openForWriting): the new page images and length it collects, reads that see them,
// and the journalled commit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "jet/core/status.h"
#include "jet/file/page_file.h"

namespace jet {

// Collects new page images (already encoded, exactly as they go to disk) until commit(), which
// makes them reach the file all or nothing. Memory is the pages put so far: the caller commits
// every so many pages (pageCount(), pendingBytes()) to keep it bounded. Dropping an uncommitted
// transaction discards it; the file is untouched until commit().
class WriteTransaction {
 public:
  // `file` must be open for writing and outlive the transaction; its pages are `pageSize` bytes.
  WriteTransaction(PageFile& file, std::uint32_t pageSize);

  // Sets the new image of `page` (image.size() must be the page size). A page beyond the end
  // grows the file to hold it; pages skipped over read as zeroes.
  Status putPage(std::uint32_t page, std::vector<std::uint8_t> image);
  // Grows the file to `length` bytes on commit. Shrinking is refused.
  Status setFileLength(std::uint64_t length);
  // The page as it will be after commit: this transaction's image if it put one, else the
  // file's (zeroes for pages the transaction added by growing).
  Status readPage(std::uint32_t page, std::span<std::uint8_t> out) const;

  std::size_t pageCount() const { return pages_.size(); }
  std::size_t pendingBytes() const;
  std::uint64_t fileLength() const { return length_; }

  // Journals the original images, writes the new ones, deletes the journal (see
  // docs/format/journal.md). Either way the transaction is empty afterwards and can be reused.
  // On failure the database is restored at once when possible; otherwise the journal stays, the
  // file refuses further changes, and the next opening restores it.
  Status commit();

 private:
  Status writeJournal(std::uint64_t originalLength) const;
  Status writePages();
  Status undoAfterFailure(const Error& failure);
  void clear();

  Status checkUsable() const;

  PageFile& file_;
  std::uint32_t pageSize_;
  std::map<std::uint32_t, std::vector<std::uint8_t>> pages_;
  std::uint64_t length_;
};

}  // namespace jet
