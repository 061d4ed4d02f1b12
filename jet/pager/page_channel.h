// page_channel.h: the one way pages travel between a database file and the engine. Opening a
// channel opens the file (page_file.h: the journal is handled there), reads the header page and
// chooses the page codec (page_codec.h); then every page read is decoded and every page written
// is encoded here. The reader (PageReader), the writer (PageCache), the integrity check and the
// creator all go through it. How a page travels: docs/format/page_channel.md.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/file/fault_hook.h"
#include "jet/file/journal.h"
#include "jet/file/page_file.h"
#include "jet/pager/header.h"
#include "jet/pager/page_cache.h"
#include "jet/pager/page_codec.h"

namespace jet {

struct ChannelOptions {
  bool forWriting = false;      // PageFile::openForWriting rather than openForReading
  std::string password;         // never printed or logged
  FaultHook* faults = nullptr;  // tests only, when writing; must outlive the channel
};

class PageChannel : public PageSource {
 public:
  // Opens `path`, reads its header page (an error when it is not an Access database), then
  // chooses the codec with `options.password` (openPageCodec: a wrong Jet password and the
  // .accdb files that cannot be decoded yet are refused there). Nothing is changed by a refusal.
  static Result<std::unique_ptr<PageChannel>> open(const std::string& path,
                                                   const ChannelOptions& options = {});
  // The first half of open(): the file and its header page, for a caller that judges the header
  // before any password (a template). Pages beyond 0 can be read only after unlock().
  static Result<std::unique_ptr<PageChannel>> openHeader(const std::string& path,
                                                         const ChannelOptions& options = {});
  Status unlock(const std::string& password);
  // A new file at `path` (an error when it exists), holding a copy of the pages of `from`, which
  // must be unencrypted. Nobody else has the file yet, so pages are written in place (writePage)
  // without a journal. With a `password` (ACE files only) the copy is encrypted before anything
  // is written: its header gets a new agile descriptor (encryptAccdbHeader) and every page,
  // these and later ones, goes to the disk under the new codec.
  static Result<std::unique_ptr<PageChannel>> create(const std::string& path,
                                                     const PageChannel& from,
                                                     FaultHook* faults = nullptr,
                                                     const std::string& password = {});
  // Pages of a file opened without a channel (PageFile::openReadOnly), coded by `codec`; there is
  // no header then. `file` must outlive the channel.
  PageChannel(const PageFile& file, std::uint32_t pageSize, std::unique_ptr<PageCodec> codec);
  ~PageChannel() override;
  PageChannel(const PageChannel&) = delete;
  PageChannel& operator=(const PageChannel&) = delete;

  const std::string& path() const { return file_->path(); }
  const Header& header() const { return header_; }
  const Format& format() const { return *format_; }
  // What opening found; recoveryNotice() is the sentence for the user (empty when nothing was
  // undone).
  Recovery recovery() const { return file_->recovery(); }
  std::string recoveryNotice() const;

  // PageSource: the page size, the whole pages in the file now, and page `number` decoded
  // (page 0 as stored). `out` is one page.
  std::uint32_t pageSize() const override { return pageSize_; }
  std::uint32_t pageCount() const override;
  Status readPage(std::uint32_t number, std::span<std::uint8_t> out) const override;

  // Opened for writing: encodes `changes` and commits them through the journal, all or nothing
  // (write_transaction.h). On failure the file is as it was, or is restored on the next opening.
  Status commit(std::map<std::uint32_t, Page> changes);
  // Created files: page `number` encoded and written in place, growing the file.
  Status writePage(std::uint32_t number, std::span<const std::uint8_t> page);
  Status sync();

 private:
  PageChannel(std::unique_ptr<PageFile> file, Header header);

  std::unique_ptr<PageFile> owned_;
  const PageFile* file_;
  Header header_;
  const Format* format_;
  std::uint32_t pageSize_;
  std::unique_ptr<PageCodec> codec_;   // null until unlock()
  std::vector<std::uint8_t> scratch_;  // one page, for encoding a write in place
};

}  // namespace jet
