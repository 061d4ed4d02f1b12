// page_cache.h: the pages a write works on: reads decoded pages through a PageSource, keeps every
// changed or new page in memory until the caller takes them, and grows the file by whole pages.
// Knows nothing of what the pages hold.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "jet/core/status.h"

namespace jet {

using Page = std::vector<std::uint8_t>;

// Where decoded pages come from (the file, through page decoding).
class PageSource {
 public:
  virtual ~PageSource() = default;
  virtual std::uint32_t pageSize() const = 0;
  virtual std::uint32_t pageCount() const = 0;
  virtual Status readPage(std::uint32_t number, std::span<std::uint8_t> out) const = 0;
};

class PageCache {
 public:
  explicit PageCache(const PageSource& source) : source_(source), pageCount_(source.pageCount()) {}

  std::uint32_t pageSize() const { return source_.pageSize(); }
  // Pages in the file once the changes are written (new pages included).
  std::uint32_t pageCount() const { return pageCount_; }

  // A copy of page `number` as it stands with the changes so far.
  Result<Page> read(std::uint32_t number) const;
  // The same without the copy: valid until the next call on this cache.
  Result<const Page*> view(std::uint32_t number) const;
  // Records `page` as the new content of page `number` (which must exist or be new).
  Status write(std::uint32_t number, Page page);
  // Adds a zeroed page at the end of the file and returns its number.
  std::uint32_t appendPage();

  // The changed pages in page order; empty after takeChanges().
  const std::map<std::uint32_t, Page>& changes() const { return dirty_; }
  std::map<std::uint32_t, Page> takeChanges();
  // Forgets every change, as if nothing had been written.
  void discard();

  // One update's savepoint: undo() puts back every page the update changed or added.
  void mark();
  void undo();
  // After the changes reached the file: the source now holds them.
  std::uint32_t sourcePageCount() const { return source_.pageCount(); }

 private:
  void remember(std::uint32_t number);

  const PageSource& source_;
  std::uint32_t pageCount_;
  std::map<std::uint32_t, Page> dirty_;
  std::map<std::uint32_t, std::optional<Page>> undo_;  // content before mark(); none: not dirty
  std::uint32_t markedCount_ = 0;
  bool marked_ = false;
  // The last few unchanged pages read from the source: a row update looks at the same pages
  // several times. Emptied whenever the source may have changed under them.
  struct CleanPage {
    std::uint32_t number = 0;
    bool used = false;
    Page page;
  };
  static constexpr std::size_t kCleanPages = 8;
  mutable std::array<CleanPage, kCleanPages> clean_;
  mutable std::size_t nextClean_ = 0;
  void forgetClean() const;
};

}  // namespace jet
