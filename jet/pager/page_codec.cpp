// page_codec.cpp: page decoding and the bounded page cache.
#include "jet/pager/page_codec.h"

#include <array>

#include "jet/core/error_codes.h"
#include "jet/pager/rc4.h"

namespace jet {

void codePage(std::uint32_t encodingKey, std::uint32_t pageNumber, std::span<std::uint8_t> page) {
  if (encodingKey == 0 || pageNumber == 0) return;
  std::uint32_t k = encodingKey ^ pageNumber;
  std::array<std::uint8_t, 4> key = {
      static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
      static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
  rc4Apply(key, page);
}

PageReader::PageReader(const PageFile& file, std::uint32_t pageSize, std::uint32_t encodingKey)
    : file_(file),
      pageSize_(pageSize),
      pageCount_(
          static_cast<std::uint32_t>(std::min<std::uint64_t>(file.size() / pageSize, 0xFFFFFFFFu))),
      encodingKey_(encodingKey) {}

Result<PagePtr> PageReader::page(std::uint32_t n) const {
  ++clock_;
  for (Slot& s : cache_) {
    if (s.data && s.number == n) {
      s.lastUse = clock_;
      return s.data;
    }
  }
  if (n >= pageCount_) {
    return Error{err::kBadPage, "'" + path() + "': page " + std::to_string(n) +
                                    " is beyond the end of the file (" +
                                    std::to_string(pageCount_) + " pages)."};
  }
  auto data = std::make_shared<std::vector<std::uint8_t>>(pageSize_);
  JET_TRY(file_.read(static_cast<std::uint64_t>(n) * pageSize_, *data));
  codePage(encodingKey_, n, *data);
  Slot fresh{n, clock_, data};
  if (cache_.size() < kCacheSize) {
    cache_.push_back(std::move(fresh));
  } else {
    Slot* oldest = &cache_[0];
    for (Slot& s : cache_) {
      if (s.lastUse < oldest->lastUse) oldest = &s;
    }
    *oldest = std::move(fresh);
  }
  return PagePtr(std::move(data));
}

}  // namespace jet
