// database_impl.h: the Database behind database.h: owns the page channel of the open file, its
// page reader and catalogue, and hands out table definitions and scans. Scans and rows read
// through it must not outlive it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/pager/header.h"
#include "jet/pager/page_channel.h"
#include "jet/pager/page_reader.h"
#include "jet/row/long_value.h"
#include "jet/row/table_scan.h"

namespace jet {

class DatabaseImpl : public Database {
 public:
  static Result<std::unique_ptr<DatabaseImpl>> openFile(const std::string& path,
                                                        const OpenOptions& options);

  const std::string& path() const override { return channel_->path(); }
  const HeaderInfo& header() const override { return channel_->header().info; }
  const std::vector<CatalogEntry>& catalogue() const override { return catalogue_; }
  Result<TableDef> table(std::string_view name) const override;
  Result<std::unique_ptr<TableScan>> scan(const TableDef& table) const override;
  Result<Row> readRow(const TableDef& table, RowLocator where) const override;
  Result<Value> readCell(const TableDef& table, RowLocator where,
                         std::size_t column) const override;
  std::string recoveryNotice() const override { return channel_->recoveryNotice(); }

  // Internal access for the writer.
  const Format& format() const { return channel_->format(); }
  const PageReader& pages() const { return *pages_; }
  const PageReader* filePages() const override { return pages_.get(); }
  const PageChannel& channel() const { return *channel_; }

 private:
  explicit DatabaseImpl(std::unique_ptr<PageChannel> channel);
  ScanContext context() const;
  Status loadCatalogue();
  Status readResultTypes(RowLocator objectRow, TableDef& table) const;

  std::unique_ptr<PageChannel> channel_;
  std::unique_ptr<PageReader> pages_;
  std::unique_ptr<LongValueReader> longValues_;
  TableDef objects_;  // MSysObjects
  std::vector<CatalogEntry> catalogue_;
  std::vector<RowLocator> catalogueRows_;  // each entry's MSysObjects row
};

}  // namespace jet
