// page_cache.cpp: changed pages kept in memory over the pages of the source.
#include "jet/pager/page_cache.h"

#include <algorithm>
#include <string>

#include "jet/core/error_codes.h"

namespace jet {

Result<Page> PageCache::read(std::uint32_t number) const {
  JET_ASSIGN_OR_RETURN(const Page* page, view(number));
  return *page;
}

Result<const Page*> PageCache::view(std::uint32_t number) const {
  if (auto it = dirty_.find(number); it != dirty_.end()) return &it->second;
  if (number >= source_.pageCount()) {
    return Error{err::kBadPage,
                 "page " + std::to_string(number) + " lies past the end of the file"};
  }
  for (const CleanPage& c : clean_) {
    if (c.used && c.number == number) return &c.page;
  }
  CleanPage& slot = clean_[nextClean_];
  nextClean_ = (nextClean_ + 1) % kCleanPages;
  slot.used = false;
  slot.page.resize(source_.pageSize());
  JET_TRY(source_.readPage(number, slot.page));
  slot.number = number;
  slot.used = true;
  return &slot.page;
}

void PageCache::forgetClean() const {
  for (CleanPage& c : clean_) c.used = false;
}

Status PageCache::write(std::uint32_t number, Page page) {
  if (number >= pageCount_ || page.size() != source_.pageSize()) {
    return Error{err::kBadPage, "cannot write page " + std::to_string(number) +
                                    ": it is not part of the file or has the wrong size"};
  }
  remember(number);
  dirty_[number] = std::move(page);
  return Status::success();
}

std::uint32_t PageCache::appendPage() {
  std::uint32_t number = pageCount_++;
  remember(number);
  dirty_[number] = Page(source_.pageSize(), 0);
  return number;
}

std::map<std::uint32_t, Page> PageCache::takeChanges() {
  std::map<std::uint32_t, Page> out;
  out.swap(dirty_);
  undo_.clear();
  forgetClean();
  marked_ = false;
  pageCount_ = std::max(pageCount_, source_.pageCount());
  return out;
}

void PageCache::discard() {
  forgetClean();
  dirty_.clear();
  undo_.clear();
  marked_ = false;
  pageCount_ = source_.pageCount();
}

}  // namespace jet

namespace jet {

// Its callers replace the dirty page right after, so its content moves to the savepoint.
void PageCache::remember(std::uint32_t number) {
  if (!marked_ || undo_.count(number) != 0) return;
  auto it = dirty_.find(number);
  undo_[number] =
      it == dirty_.end() ? std::nullopt : std::optional<Page>(std::move(it->second));
}

void PageCache::mark() {
  undo_.clear();
  markedCount_ = pageCount_;
  marked_ = true;
}

void PageCache::undo() {
  for (auto& [number, before] : undo_) {
    if (before) {
      dirty_[number] = std::move(*before);
    } else {
      dirty_.erase(number);
    }
  }
  undo_.clear();
  pageCount_ = markedCount_;
  marked_ = false;
}

}  // namespace jet
