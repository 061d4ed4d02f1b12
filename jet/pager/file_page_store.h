// file_page_store.h: a PageStore over a file being created: pages go straight to the file, and
// reserved page numbers grow the file's page count. Only for files nobody else has yet.
#pragma once

#include "jet/pager/page_store.h"
#include "jet/file/raw_file.h"

namespace jet {

class FilePageStore : public PageStore {
 public:
  FilePageStore(RawFile file, std::uint32_t pageSize, std::uint32_t pageCount)
      : file_(std::move(file)), pageSize_(pageSize), pageCount_(pageCount) {}

  std::uint32_t pageSize() const override { return pageSize_; }
  std::uint32_t pageCount() const override { return pageCount_; }
  Result<std::vector<std::uint8_t>> read(std::uint32_t page) const override;
  Status write(std::uint32_t page, std::span<const std::uint8_t> bytes) override;
  std::uint32_t reserve() override { return pageCount_++; }
  Status sync() { return file_.sync(); }
  const std::string& path() const { return file_.path(); }

 private:
  RawFile file_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_;
};

}  // namespace jet
