// database_writer.cpp: opening for writing and batching page changes into journalled commits.
#include "jet/database_writer.h"

#include "jet/core/error_codes.h"
#include "jet/schema/table_storage.h"

namespace jet {

DatabaseWriter::~DatabaseWriter() = default;

Result<std::unique_ptr<DatabaseWriter>> DatabaseWriter::open(const std::string& path,
                                                             const WriterOptions& options) {
  ChannelOptions channelOptions;
  channelOptions.forWriting = true;
  channelOptions.password = options.password;
  channelOptions.faults = options.faults;
  std::unique_ptr<DatabaseWriter> w(new DatabaseWriter());
  JET_ASSIGN_OR_RETURN(w->channel_, PageChannel::open(path, channelOptions));
  w->options_ = options;
  w->version_ = w->channel_->header().info.version;
  w->codePage_ = w->channel_->header().info.codePage;
  w->cache_ = std::make_unique<PageCache>(*w->channel_);
  w->allocator_ = std::make_unique<PageAllocator>(*w->cache_, w->jet3());
  return w;
}

Status DatabaseWriter::close() { return flush(); }

Result<TableWriter*> DatabaseWriter::table(std::uint32_t tdefPage, const std::string& name) {
  if (auto it = tables_.find(tdefPage); it != tables_.end()) return it->second.get();
  JET_ASSIGN_OR_RETURN(TableStorage storage, readTableStorage(*cache_, tdefPage, formatFor(version_), name));
  return addTable(tdefPage, std::move(storage), name);
}

Result<TableWriter*> DatabaseWriter::table(const TableDef& def) {
  if (auto it = tables_.find(def.tdefPage); it != tables_.end()) return it->second.get();
  return addTable(def.tdefPage, tableStorageFrom(def), def.name);
}

Result<TableWriter*> DatabaseWriter::addTable(std::uint32_t tdefPage, TableStorage storage,
                                              const std::string& name) {
  if (!storage.owned.valid()) {
    return Error{err::kBadPage, "table " + name + " of " + path() + " has no page map"};
  }
  auto writer = std::make_unique<TableWriter>(*cache_, *allocator_, std::move(storage),
                                              formatFor(version_), codePage_, path(), version_);
  TableWriter* raw = writer.get();
  tables_[tdefPage] = std::move(writer);
  return raw;
}

Status DatabaseWriter::updateRow(TableWriter& table, RowLocator where, const CellChanges& changes) {
  JET_TRY(table.updateRow(where, changes));
  if (cache_->changes().size() >= options_.pagesPerCommit) return flush();
  return Status::success();
}

Status DatabaseWriter::flush() {
  if (cache_->changes().empty()) return Status::success();
  // The pages move to the commit; on failure the cache forgets them as well.
  if (Status committed = channel_->commit(cache_->takeChanges()); !committed.ok()) {
    cache_->discard();
    return committed;
  }
  return Status::success();
}

}  // namespace jet
