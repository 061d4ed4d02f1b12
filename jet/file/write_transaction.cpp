// write_transaction.cpp: the commit protocol. Numbered invariants: docs/format/journal.md.

#include "jet/file/write_transaction.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "jet/core/error_codes.h"
#include "jet/file/journal.h"

namespace jet {

WriteTransaction::WriteTransaction(PageFile& file, std::uint32_t pageSize)
    : file_(file), pageSize_(pageSize), length_(file.size()) {}

Status WriteTransaction::checkUsable() const {
  if (file_.mode() != PageFile::Mode::kWrite) {
    return Error{err::kIo, "Internal error: " + file_.path() + " is not open for writing"};
  }
  if (!file_.broken_) return Status::success();
  return Error{err::kJournal, "An earlier change to " + file_.path() + " failed and could not be " +
                                  "undone yet; close the file and open it again to restore it"};
}

Status WriteTransaction::putPage(std::uint32_t page, std::vector<std::uint8_t> image) {
  const std::uint32_t size = pageSize_;
  if (image.size() != size) {
    return Error{err::kIo, "Internal error: a page image of " + std::to_string(image.size()) +
                               " bytes for " + file_.path() + ", whose pages are " +
                               std::to_string(size)};
  }
  length_ = std::max(length_, (std::uint64_t{page} + 1) * size);
  pages_[page] = std::move(image);
  return Status::success();
}

Status WriteTransaction::setFileLength(std::uint64_t length) {
  if (length < length_) {
    return Error{err::kUnsupported,
                 "Cannot shorten " + file_.path() + " to " + std::to_string(length) + " bytes"};
  }
  length_ = length;
  return Status::success();
}

Status WriteTransaction::readPage(std::uint32_t page, std::span<std::uint8_t> out) const {
  if (out.size() != pageSize_) {
    return Error{err::kIo, "Internal error: page buffer of " + std::to_string(out.size()) +
                               " bytes for " + file_.path()};
  }
  if (const auto found = pages_.find(page); found != pages_.end()) {
    std::copy(found->second.begin(), found->second.end(), out.begin());
    return Status::success();
  }
  const std::uint64_t start = std::uint64_t{page} * pageSize_;
  if (start >= file_.size() && start + out.size() <= length_) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return Status::success();
  }
  return file_.file_.readPage(page, out);
}

std::size_t WriteTransaction::pendingBytes() const {
  return pages_.size() * std::size_t{pageSize_};
}

Status WriteTransaction::commit() {
  JET_TRY(checkUsable());
  const std::uint64_t originalLength = file_.size();
  if (pages_.empty() && length_ == originalLength) return Status::success();
  const std::string journal = journalPath(file_.path());
  if (RawFile::exists(journal)) {
    return Error{err::kJournal, "Cannot change " + file_.path() + ": an unexpected rollback " +
                                    "journal " + journal + " is beside it"};
  }

  // Steps 2-3: the journal, durable before the database is touched.
  if (Status s = writeJournal(originalLength); !s) {
    // The database is untouched; a journal left behind is incomplete or harmless to replay.
    (void)RawFile::remove(journal, file_.faults_);
    clear();
    return s;
  }
  // Step 4: the new images and length, durable.
  if (Status s = writePages(); !s) return undoAfterFailure(s.error());
  // Step 5: the commit point.
  if (Status s = RawFile::remove(journal, file_.faults_); !s) {
    return undoAfterFailure(s.error());
  }
  file_.size_ = length_;
  clear();
  if (Status s = RawFile::syncFolderOf(file_.path(), file_.faults_); !s) {
    return Error{s.number(),
                 "The change to " + file_.path() + " was saved, but " + s.description()};
  }
  return Status::success();
}

namespace {

// Pages of a run of consecutive numbers move in one read or write of at most this many.
constexpr std::size_t kRunPages = 64;

// Calls `run(first, last)` for each stretch of consecutive page numbers among `pages` (up to
// kRunPages each) that `take` accepts, in page order.
template <typename Pages, typename Take, typename Run>
Status forEachRun(const Pages& pages, Take take, Run run) {
  auto it = pages.begin();
  while (it != pages.end()) {
    if (!take(*it)) {
      ++it;
      continue;
    }
    auto last = it;
    std::size_t count = 1;
    for (auto next = std::next(it); next != pages.end() && count < kRunPages && take(*next) &&
                                    next->first == last->first + 1;
         ++next, ++count) {
      last = next;
    }
    JET_TRY(run(it, last, count));
    it = std::next(last);
  }
  return Status::success();
}

}  // namespace

Status WriteTransaction::writeJournal(std::uint64_t originalLength) const {
  const std::uint32_t size = pageSize_;
  const auto inside = [&](const auto& entry) {
    return std::uint64_t{entry.first} * size < originalLength;
  };
  const auto count =
      static_cast<std::uint32_t>(std::count_if(pages_.begin(), pages_.end(), inside));
  JET_ASSIGN_OR_RETURN(
      JournalWriter journal,
      JournalWriter::create(file_.path(), size, originalLength, count, file_.faults_));
  std::vector<std::uint8_t> original;
  const Status journalled = forEachRun(pages_, inside, [&](auto first, auto last,
                                                          std::size_t pages) -> Status {
    // The last page of a file whose length is not a page multiple reads short: zero-filled.
    original.resize(pages * size);
    JET_TRY(file_.file_.readUpTo(std::uint64_t{first->first} * size, original).status());
    std::size_t k = 0;
    for (auto it = first;; ++it, ++k) {
      JET_TRY(journal.append(it->first, std::span(original).subspan(k * size, size)));
      if (it == last) break;
    }
    return Status::success();
  });
  JET_TRY(journalled);
  return journal.finish();
}

Status WriteTransaction::writePages() {
  std::vector<std::uint8_t> run;
  const auto all = [](const auto&) { return true; };
  const Status written = forEachRun(pages_, all, [&](auto first, auto last,
                                                    std::size_t pages) -> Status {
    if (pages == 1) return file_.file_.writePage(first->first, first->second);
    run.clear();
    for (auto it = first;; ++it) {
      run.insert(run.end(), it->second.begin(), it->second.end());
      if (it == last) break;
    }
    return file_.file_.write(std::uint64_t{first->first} * pageSize_, run);
  });
  JET_TRY(written);
  JET_ASSIGN_OR_RETURN(const std::uint64_t size, file_.file_.size());
  if (size != length_) JET_TRY(file_.file_.truncate(length_));
  return file_.file_.sync();
}

Status WriteTransaction::undoAfterFailure(const Error& failure) {
  clear();
  auto undone = recoverFromJournal(file_.file_, file_.faults_);
  if (undone.ok()) {
    return Error{failure.number, failure.description + "; " + file_.path() +
                                     " was restored to its state before this change"};
  }
  file_.broken_ = true;
  return Error{failure.number, failure.description + "; " + file_.path() +
                                   " will be restored when it is next opened for writing"};
}

void WriteTransaction::clear() {
  pages_.clear();
  length_ = file_.size();
}

}  // namespace jet
