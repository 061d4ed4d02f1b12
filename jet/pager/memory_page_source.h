// memory_page_source.h: pages held in memory, for unit tests of the write path: a blank file of
// a given size whose pages the test fills in, plus applying a cache's changes back to it.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "jet/pager/page_cache.h"

namespace jet {

class MemoryPageSource : public PageSource {
 public:
  MemoryPageSource(std::uint32_t pageSize, std::uint32_t pages)
      : pageSize_(pageSize), pages_(pages, Page(pageSize, 0)) {}
  std::uint32_t pageSize() const override { return pageSize_; }
  std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(pages_.size()); }
  Status readPage(std::uint32_t number, std::span<std::uint8_t> out) const override {
    std::memcpy(out.data(), pages_.at(number).data(), pageSize_);
    return Status::success();
  }
  Page& page(std::uint32_t number) { return pages_.at(number); }
  void apply(std::map<std::uint32_t, Page> changes) {
    for (auto& [number, page] : changes) {
      if (number >= pages_.size()) pages_.resize(number + 1, Page(pageSize_, 0));
      pages_[number] = std::move(page);
    }
  }

 private:
  std::uint32_t pageSize_;
  std::vector<Page> pages_;
};

}  // namespace jet
