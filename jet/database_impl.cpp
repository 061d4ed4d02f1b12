// database_impl.cpp: opening a database file and reading through it.
#include "jet/database_impl.h"

#include <algorithm>

#include "jet/catalogue.h"
#include "jet/error_codes.h"
#include "jet/format.h"
#include "jet/table_def.h"

namespace jet {
namespace {

constexpr std::size_t kLargestPage = 4096;

Status refuseEncryptedAce(const Header& h, const std::string& path) {
  if (h.info.version < Version::kAce12 || h.info.encodingKey == 0) return {};
  return Error{err::kUnsupported, "'" + path + "': encrypted .accdb files are not supported yet (" +
                                      h.info.encryption + ")."};
}

}  // namespace

Result<std::unique_ptr<Database>> Database::open(const std::string& path,
                                                 const OpenOptions& options) {
  JET_ASSIGN_OR_RETURN(auto db, DatabaseImpl::openFile(path, options));
  return std::unique_ptr<Database>(std::move(db));
}

Result<std::unique_ptr<DatabaseImpl>> DatabaseImpl::openFile(const std::string& path,
                                                             const OpenOptions& options) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageFile> file, PageFile::openReadOnly(path));
  std::vector<std::uint8_t> first(std::min<std::uint64_t>(file->size(), kLargestPage));
  JET_TRY(file->read(0, first));
  JET_ASSIGN_OR_RETURN(Header header, parseHeader(first, path, file->size()));
  JET_TRY(refuseEncryptedAce(header, path));
  JET_TRY(checkPassword(header, options.password));
  std::unique_ptr<DatabaseImpl> db(new DatabaseImpl(std::move(file), std::move(header)));
  JET_TRY(db->loadCatalogue());
  return db;
}

DatabaseImpl::DatabaseImpl(std::unique_ptr<PageFile> file, Header header)
    : file_(std::move(file)),
      header_(std::move(header)),
      format_(&formatFor(header_.info.version)) {
  std::uint32_t key = header_.info.version < Version::kAce12 ? header_.info.encodingKey : 0;
  pages_ = std::make_unique<PageReader>(*file_, format_->pageSize, key);
  longValues_ = std::make_unique<LongValueReader>(*pages_, *format_);
}

ScanContext DatabaseImpl::context() const {
  return ScanContext{*pages_, *format_, header_.info.codePage, *longValues_};
}

Status DatabaseImpl::loadCatalogue() {
  JET_ASSIGN_OR_RETURN(TableDef objects, readTableDef(*pages_, *format_, kCatalogueTdefPage,
                                                      "MSysObjects", header_.info.codePage));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> rows, scan(objects));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, rows->next(row));
    if (!more) break;
    catalogue_.push_back(catalogEntryFromRow(objects, row));
  }
  return {};
}

Result<TableDef> DatabaseImpl::table(std::string_view name) const {
  for (const CatalogEntry& e : catalogue_) {
    if (e.tdefPage == 0 || !sameObjectName(e.name, name)) continue;
    return readTableDef(*pages_, *format_, e.tdefPage, e.name, header_.info.codePage);
  }
  return Error{err::kNoSuchTable,
               "'" + path() + "' has no table named '" + std::string(name) + "'."};
}

Result<std::unique_ptr<TableScan>> DatabaseImpl::scan(const TableDef& table) const {
  return TableScanImpl::start(context(), table);
}

Result<Row> DatabaseImpl::readRow(const TableDef& table, RowLocator where) const {
  JET_ASSIGN_OR_RETURN(PagePtr page, pages_->page(where.page));
  std::string at = "'" + path() + "', table '" + table.name + "', page " +
                   std::to_string(where.page) + " row " + std::to_string(where.row);
  if (!isTableDataPage(*page, table.tdefPage)) {
    return Error{err::kBadPage, at + ": not a data page of the table."};
  }
  JET_ASSIGN_OR_RETURN(auto values, readRowAt(context(), table, where, page));
  if (!values) return Error{err::kBadPage, at + ": the row is deleted."};
  return Row{where, std::move(*values)};
}

}  // namespace jet
