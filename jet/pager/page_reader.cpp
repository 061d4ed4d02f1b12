// page_reader.cpp: the reader's bounded page cache. A page buffer that no caller holds any more
// is read into again, so a scan allocates only while the cache fills.
#include "jet/pager/page_reader.h"

#include "jet/core/error_codes.h"
#include "jet/pager/page_channel.h"

namespace jet {

PageReader::PageReader(const PageChannel& channel)
    : channel_(channel), pageSize_(channel.pageSize()), pageCount_(channel.pageCount()) {}

PageReader::PageReader(const PageFile& file, std::uint32_t pageSize, std::uint32_t encodingKey)
    : owned_(std::make_unique<PageChannel>(file, pageSize, jetPageCodec(encodingKey))),
      channel_(*owned_),
      pageSize_(pageSize),
      pageCount_(owned_->pageCount()) {}

PageReader::~PageReader() = default;

const std::string& PageReader::path() const { return channel_.path(); }

PageReader::Slot& PageReader::victim() const {
  if (cache_.size() < kCacheSize) return cache_.emplace_back();
  Slot* oldest = &cache_[0];
  for (Slot& s : cache_) {
    if (s.lastUse < oldest->lastUse) oldest = &s;
  }
  return *oldest;
}

Result<PagePtr> PageReader::page(std::uint32_t n) const {
  ++clock_;
  for (Slot& s : cache_) {
    if (s.data && s.number == n) {
      s.lastUse = clock_;
      return PagePtr(s.data);
    }
  }
  if (n >= pageCount_) {
    return Error{err::kBadPage, "'" + path() + "': page " + std::to_string(n) +
                                    " is beyond the end of the file (" +
                                    std::to_string(pageCount_) + " pages)."};
  }
  Slot& slot = victim();
  if (!slot.data || slot.data.use_count() != 1) {
    slot.data = std::make_shared<std::vector<std::uint8_t>>(pageSize_);
  }
  slot.number = n;
  slot.lastUse = clock_;
  if (Status read = channel_.readPage(n, *slot.data); !read.ok()) {
    slot.data.reset();
    return read.error();
  }
  return PagePtr(slot.data);
}

}  // namespace jet
