// file_page_store.cpp: page reads and writes of a file being created.
#include "jet/pager/file_page_store.h"

#include <string>

#include "jet/core/error_codes.h"

namespace jet {

Result<std::vector<std::uint8_t>> FilePageStore::read(std::uint32_t page) const {
  if (page >= pageCount_) {
    return Error{err::kBadPage,
                 path() + ": page " + std::to_string(page) + " lies beyond the end of the file."};
  }
  std::vector<std::uint8_t> out(pageSize());
  JET_TRY(channel_->readPage(page, out));
  return out;
}

Status FilePageStore::write(std::uint32_t page, std::span<const std::uint8_t> bytes) {
  if (page >= pageCount_ || bytes.size() != pageSize()) {
    return Error{err::kBadPage, path() + ": page " + std::to_string(page) +
                                    " was not reserved before it was written."};
  }
  return channel_->writePage(page, bytes);
}

}  // namespace jet
