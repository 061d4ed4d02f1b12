// database_writer.cpp: opening for writing and batching page changes into journalled commits.
#include "jet/database_writer.h"

#include <array>
#include <cstring>
#include <vector>

#include "jet/core/error_codes.h"
#include "jet/pager/header.h"
#include "jet/pager/page_codec.h"
#include "jet/schema/table_storage.h"
#include "jet/file/write_transaction.h"

namespace jet {

class DatabaseWriter::SessionSource : public PageSource {
 public:
  SessionSource(const WriteSession& session, std::uint32_t key) : session_(session), key_(key) {}
  std::uint32_t pageSize() const override { return session_.pageSize(); }
  std::uint32_t pageCount() const override {
    return static_cast<std::uint32_t>(session_.fileLength() / session_.pageSize());
  }
  Status readPage(std::uint32_t number, std::span<std::uint8_t> out) const override {
    JET_TRY(session_.readPage(number, out));
    encode(number, out);
    return Status::success();
  }
  void encode(std::uint32_t number, std::span<std::uint8_t> page) const {
    if (key_ != 0 && number != 0) codePage(key_, number, page);
  }

 private:
  const WriteSession& session_;
  std::uint32_t key_;
};

namespace {

Result<Header> readHeader(const WriteSession& session) {
  std::vector<std::uint8_t> page(session.pageSize());
  JET_TRY(session.readPage(0, page));
  return parseHeader(page, session.path(), session.fileLength());
}

}  // namespace

DatabaseWriter::~DatabaseWriter() = default;

Result<std::unique_ptr<DatabaseWriter>> DatabaseWriter::open(const std::string& path,
                                                             const WriterOptions& options) {
  WriteSessionOptions sessionOptions;
  sessionOptions.faults = options.faults;
  auto session = WriteSession::open(path, sessionOptions);
  if (!session) return session.error();
  std::unique_ptr<DatabaseWriter> w(new DatabaseWriter());
  w->session_ = std::move(session).value();
  w->options_ = options;
  JET_ASSIGN_OR_RETURN(Header header, readHeader(*w->session_));
  const HeaderInfo& info = header.info;
  bool ace = info.version != Version::kJet3 && info.version != Version::kJet4;
  if (ace && info.encodingKey != 0) {
    return Error{err::kUnsupported, path + " is encrypted (" + info.encryption +
                                        "); changing encrypted .accdb files is not supported"};
  }
  JET_TRY(checkPassword(header, options.password));
  w->version_ = info.version;
  w->codePage_ = info.codePage;
  w->encodingKey_ = info.encodingKey;
  w->source_ = std::make_unique<SessionSource>(*w->session_, info.encodingKey);
  w->cache_ = std::make_unique<PageCache>(*w->source_);
  w->allocator_ = std::make_unique<PageAllocator>(*w->cache_, w->jet3());
  return w;
}

Recovery DatabaseWriter::recovery() const { return session_->recovery(); }

std::string DatabaseWriter::recoveryNotice() const {
  if (session_->recovery() != Recovery::kRolledBack) return {};
  return "A change to " + path() +
         " was interrupted earlier; it has been undone, and the file is "
         "as it was before that change.";
}

Status DatabaseWriter::close() { return flush(); }

const std::string& DatabaseWriter::path() const { return session_->path(); }

Result<TableWriter*> DatabaseWriter::table(std::uint32_t tdefPage, const std::string& name) {
  if (auto it = tables_.find(tdefPage); it != tables_.end()) return it->second.get();
  JET_ASSIGN_OR_RETURN(TableStorage storage, readTableStorage(*cache_, tdefPage, formatFor(version_), name));
  if (!storage.owned.valid()) {
    return Error{err::kBadPage, "table " + name + " of " + path() + " has no page map"};
  }
  auto writer = std::make_unique<TableWriter>(*cache_, *allocator_, std::move(storage),
                                              formatFor(version_), codePage_, path(), version_);
  TableWriter* raw = writer.get();
  tables_[tdefPage] = std::move(writer);
  return raw;
}

Result<TableWriter*> DatabaseWriter::table(const TableDef& def) {
  if (auto it = tables_.find(def.tdefPage); it != tables_.end()) return it->second.get();
  TableStorage storage = tableStorageFrom(def);
  if (!storage.owned.valid()) {
    return Error{err::kBadPage, "table " + def.name + " of " + path() + " has no page map"};
  }
  auto writer = std::make_unique<TableWriter>(*cache_, *allocator_, std::move(storage),
                                              formatFor(version_), codePage_, path(), version_);
  TableWriter* raw = writer.get();
  tables_[def.tdefPage] = std::move(writer);
  return raw;
}

Status DatabaseWriter::updateRow(TableWriter& table, RowLocator where, const CellChanges& changes) {
  JET_TRY(table.updateRow(where, changes));
  if (cache_->changes().size() >= options_.pagesPerCommit) return flush();
  return Status::success();
}

Status DatabaseWriter::flush() {
  if (cache_->changes().empty()) return Status::success();
  WriteTransaction transaction = session_->begin();
  for (const auto& [number, page] : cache_->changes()) {
    std::vector<std::uint8_t> image = page;
    source_->encode(number, image);
    JET_TRY(transaction.putPage(number, std::move(image)));
  }
  Status committed = transaction.commit();
  if (!committed.ok()) {
    cache_->discard();
    return committed;
  }
  (void)cache_->takeChanges();
  return Status::success();
}

}  // namespace jet
