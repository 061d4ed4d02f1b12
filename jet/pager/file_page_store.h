// file_page_store.h: a PageStore over a file being created (PageChannel::create): pages go
// through the channel straight to the file, and reserved page numbers grow the file's page
// count. Only for files nobody else has yet.
#pragma once

#include <memory>

#include "jet/pager/page_channel.h"
#include "jet/pager/page_store.h"

namespace jet {

class FilePageStore : public PageStore {
 public:
  explicit FilePageStore(std::unique_ptr<PageChannel> channel)
      : channel_(std::move(channel)), pageCount_(channel_->pageCount()) {}

  std::uint32_t pageSize() const override { return channel_->pageSize(); }
  std::uint32_t pageCount() const override { return pageCount_; }
  Result<std::vector<std::uint8_t>> read(std::uint32_t page) const override;
  Status write(std::uint32_t page, std::span<const std::uint8_t> bytes) override;
  std::uint32_t reserve() override { return pageCount_++; }
  Status sync() { return channel_->sync(); }
  const std::string& path() const { return channel_->path(); }

 private:
  std::unique_ptr<PageChannel> channel_;
  std::uint32_t pageCount_;
};

}  // namespace jet
