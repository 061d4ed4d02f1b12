// database_writer.h: a database opened for changing cells: holds the page channel opened for
// writing (lock, journal roll-back on opening), the pages changed since the last commit, and one
// TableWriter per table. Changes reach the file in journalled batches: flush() or every
// `pagesPerCommit` pages.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "jet/file/fault_hook.h"
#include "jet/file/journal.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/pager/page_channel.h"
#include "jet/core/status.h"
#include "jet/table_writer.h"
#include "jet/core/types.h"

namespace jet {

struct WriterOptions {
  std::string password;              // Jet3/Jet4 database password; never printed or logged
  std::size_t pagesPerCommit = 256;  // a crash loses at most the changes of one batch
  FaultHook* faults = nullptr;       // tests only
};

class DatabaseWriter {
 public:
  // Refuses (nothing changed) read-only files, locked files, encrypted .accdb files and files
  // whose header is not an Access header. A journal left by a crash is rolled back first:
  // recovery() says so.
  static Result<std::unique_ptr<DatabaseWriter>> open(const std::string& path,
                                                      const WriterOptions& options = {});
  ~DatabaseWriter();

  Recovery recovery() const { return channel_->recovery(); }
  // What to tell the user when opening undid an interrupted change; empty otherwise.
  std::string recoveryNotice() const { return channel_->recoveryNotice(); }
  Version version() const { return version_; }
  const Format& format() const { return channel_->format(); }
  bool jet3() const { return format().jet3; }
  const std::string& path() const { return channel_->path(); }
  PageCache& pages() { return *cache_; }

  // The writer for the table whose definition starts at `tdefPage`; `name` names it in errors.
  Result<TableWriter*> table(std::uint32_t tdefPage, const std::string& name);
  // The writer for a table the reader has decoded (Database::table), whose scan gave the locators.
  Result<TableWriter*> table(const TableDef& def);
  // One row's new cells; commits the batch when it has grown to `pagesPerCommit` pages.
  Status updateRow(TableWriter& table, RowLocator where, const CellChanges& changes);
  // Commits every change so far, all or nothing.
  Status flush();
  // Commits and ends the session (the lock is released when the writer is destroyed).
  // Destroying a writer without close() or flush() discards the changes since the last commit.
  Status close();

 private:
  DatabaseWriter() = default;
  Result<TableWriter*> addTable(std::uint32_t tdefPage, TableStorage storage,
                                const std::string& name);

  std::unique_ptr<PageChannel> channel_;
  std::unique_ptr<PageCache> cache_;
  std::unique_ptr<PageAllocator> allocator_;
  std::map<std::uint32_t, std::unique_ptr<TableWriter>> tables_;
  WriterOptions options_;
  Version version_ = Version::kJet4;
  std::uint16_t codePage_ = 0;
};

}  // namespace jet
