// page_channel.cpp: opening a database's pages, and moving them through the codec.
#include "jet/pager/page_channel.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/file/write_transaction.h"
#include "jet/pager/accdb_codec.h"

namespace jet {
namespace {

Error internal(const std::string& path, const std::string& what) {
  return Error{err::kIo, "Internal error: " + what + " (" + path + ")"};
}

}  // namespace

PageChannel::PageChannel(std::unique_ptr<PageFile> file, Header header)
    : owned_(std::move(file)),
      file_(owned_.get()),
      header_(std::move(header)),
      format_(&formatFor(header_.info.version)),
      pageSize_(format_->pageSize) {}

PageChannel::PageChannel(const PageFile& file, std::uint32_t pageSize,
                         std::unique_ptr<PageCodec> codec)
    : file_(&file),
      format_(&formatForPageSize(pageSize)),
      pageSize_(pageSize),
      codec_(std::move(codec)) {
  header_.info.pageSize = pageSize;
  header_.info.pageCount = pageCount();
}

PageChannel::~PageChannel() = default;

Result<std::unique_ptr<PageChannel>> PageChannel::openHeader(const std::string& path,
                                                             const ChannelOptions& options) {
  std::unique_ptr<PageFile> file;
  if (options.forWriting) {
    JET_ASSIGN_OR_RETURN(file, PageFile::openForWriting(path, options.faults));
  } else {
    JET_ASSIGN_OR_RETURN(file, PageFile::openForReading(path));
  }
  std::vector<std::uint8_t> first(std::min<std::uint64_t>(file->size(), kLargestPageSize));
  JET_TRY(file->read(0, first));
  JET_ASSIGN_OR_RETURN(Header header, parseHeader(first, path, file->size()));
  return std::unique_ptr<PageChannel>(new PageChannel(std::move(file), std::move(header)));
}

Status PageChannel::unlock(const std::string& password) {
  JET_ASSIGN_OR_RETURN(codec_, openPageCodec(header_, password, path()));
  return Status::success();
}

Result<std::unique_ptr<PageChannel>> PageChannel::open(const std::string& path,
                                                       const ChannelOptions& options) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageChannel> channel, openHeader(path, options));
  JET_TRY(channel->unlock(options.password));
  return channel;
}

Result<std::unique_ptr<PageChannel>> PageChannel::create(const std::string& path,
                                                         const PageChannel& from, FaultHook* faults,
                                                         const std::string& password) {
  if (from.header_.info.encodingKey != 0) {
    return internal(from.path(), "only an unencrypted database is copied into a new file");
  }
  const std::size_t size = from.pageSize_;
  std::vector<std::uint8_t> image(std::size_t{from.pageCount()} * size);
  for (std::uint32_t n = 0; n < from.pageCount(); ++n) {
    JET_TRY(from.readPage(n, std::span(image).subspan(n * size, size)));
  }
  Header header = from.header_;
  std::unique_ptr<PageCodec> codec = std::make_unique<PlainPageCodec>();
  if (!password.empty()) {
    if (header.info.version < Version::kAce12) {
      return Error{
          err::kUnsupported,
          "'" + path + "': only an .accdb (ACE) database can be encrypted with a password."};
    }
    JET_ASSIGN_OR_RETURN(codec, encryptAccdbHeader(header.page, password, path));
    std::vector<std::uint8_t> stored = storedHeaderPage(header);
    std::copy(stored.begin(), stored.end(), image.begin());
    for (std::uint32_t n = 1; n < from.pageCount(); ++n) {
      codec->encode(n, std::span(image).subspan(n * size, size));
    }
    JET_ASSIGN_OR_RETURN(header, parseHeader(stored, path, image.size()));
  }
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageFile> file, PageFile::create(path, faults));
  if (Status written = file->write(0, image); !written.ok()) {
    file.reset();
    (void)RawFile::remove(path);
    return written.error();
  }
  std::unique_ptr<PageChannel> channel(new PageChannel(std::move(file), std::move(header)));
  channel->codec_ = std::move(codec);
  return channel;
}

std::string PageChannel::recoveryNotice() const {
  if (recovery() != Recovery::kRolledBack) return {};
  return "A change to " + path() +
         " was interrupted earlier; it has been undone, and the file is as it was before that "
         "change.";
}

std::uint32_t PageChannel::pageCount() const {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(file_->size() / pageSize_, 0xFFFFFFFFu));
}

Status PageChannel::readPage(std::uint32_t number, std::span<std::uint8_t> out) const {
  if (out.size() != pageSize_) return internal(path(), "a page buffer of the wrong size");
  JET_TRY(file_->read(std::uint64_t{number} * pageSize_, out));
  if (number == 0) return Status::success();
  if (!codec_) return internal(path(), "a page read before the codec was chosen");
  codec_->decode(number, out);
  return Status::success();
}

Status PageChannel::commit(std::map<std::uint32_t, Page> changes) {
  if (!owned_ || !codec_) return internal(path(), "a commit to a file not opened for writing");
  WriteTransaction transaction(*owned_, pageSize_);
  for (auto& [number, page] : changes) {
    if (number != 0) codec_->encode(number, page);
    JET_TRY(transaction.putPage(number, std::move(page)));
  }
  return transaction.commit();
}

Status PageChannel::writePage(std::uint32_t number, std::span<const std::uint8_t> page) {
  if (!owned_ || !codec_) return internal(path(), "a page written to a file not created here");
  if (page.size() != pageSize_) return internal(path(), "a page of the wrong size");
  const std::uint64_t offset = std::uint64_t{number} * pageSize_;
  if (number == 0) return owned_->write(offset, page);
  scratch_.assign(page.begin(), page.end());
  codec_->encode(number, scratch_);
  return owned_->write(offset, scratch_);
}

Status PageChannel::sync() {
  if (!owned_) return internal(path(), "a sync of a file opened elsewhere");
  return owned_->sync();
}

}  // namespace jet
