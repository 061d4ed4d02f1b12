// database_impl.cpp: opening a database file and reading through it.
#include "jet/database_impl.h"

#include <algorithm>

#include "jet/schema/catalogue.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/core/format.h"
#include "jet/schema/property_map.h"
#include "jet/schema/table_def.h"

namespace jet {

Result<HeaderInfo> readHeaderInfo(const std::string& path) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageChannel> channel, PageChannel::openHeader(path));
  return channel->header().info;
}

Result<std::unique_ptr<Database>> Database::open(const std::string& path,
                                                 const OpenOptions& options) {
  JET_ASSIGN_OR_RETURN(auto db, DatabaseImpl::openFile(path, options));
  return std::unique_ptr<Database>(std::move(db));
}

Result<std::unique_ptr<DatabaseImpl>> DatabaseImpl::openFile(const std::string& path,
                                                             const OpenOptions& options) {
  ChannelOptions channelOptions;
  channelOptions.password = options.password;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageChannel> channel,
                       PageChannel::open(path, channelOptions));
  std::unique_ptr<DatabaseImpl> db(new DatabaseImpl(std::move(channel)));
  JET_TRY(db->loadCatalogue());
  return db;
}

DatabaseImpl::DatabaseImpl(std::unique_ptr<PageChannel> channel)
    : channel_(std::move(channel)),
      pages_(std::make_unique<PageReader>(*channel_)),
      longValues_(std::make_unique<LongValueReader>(*pages_, format())) {}

ScanContext DatabaseImpl::context() const {
  return ScanContext{*pages_, format(), header().codePage, *longValues_};
}

Status DatabaseImpl::loadCatalogue() {
  JET_ASSIGN_OR_RETURN(objects_, readTableDef(*pages_, format(), kCatalogueTdefPage, "MSysObjects",
                                              header().codePage));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> rows, scan(objects_));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, rows->next(row));
    if (!more) break;
    catalogue_.push_back(catalogEntryFromRow(objects_, row));
    catalogueRows_.push_back(row.locator);
  }
  return {};
}

Result<TableDef> DatabaseImpl::table(std::string_view name) const {
  for (std::size_t n = 0; n < catalogue_.size(); ++n) {
    const CatalogEntry& e = catalogue_[n];
    if (e.tdefPage == 0 || !equalsIgnoringCase(e.name, name)) continue;
    JET_ASSIGN_OR_RETURN(TableDef t,
                         readTableDef(*pages_, format(), e.tdefPage, e.name, header().codePage));
    JET_TRY(readResultTypes(catalogueRows_[n], t));
    return t;
  }
  return Error{err::kNoSuchTable,
               "'" + path() + "' has no table named '" + std::string(name) + "'."};
}

// A calculated column's definition gives the type it was declared with; the value is stored as
// its result type, which only the table's properties (MSysObjects.LvProp) give.
Status DatabaseImpl::readResultTypes(RowLocator objectRow, TableDef& table) const {
  bool any = std::any_of(table.columns.begin(), table.columns.end(),
                         [](const Column& c) { return c.calculated(); });
  if (!any) return {};
  auto fail = [&](const std::string& why) {
    return Error{err::kBadPage, "'" + path() + "': the properties of table '" + table.name +
                                    "' cannot be read: " + why + "."};
  };
  auto row = readRow(objects_, objectRow);
  if (!row.ok()) return fail(row.error().description);
  for (std::size_t n = 0; n < objects_.columns.size() && n < row->values.size(); ++n) {
    if (!equalsIgnoringCase(objects_.columns[n].name, "LvProp")) continue;
    auto maps = parsePropertyMaps(row->values[n].bytes);
    if (!maps.ok()) return fail(maps.error().description);
    setCalculatedResultTypes(table, *maps);
  }
  return {};
}

Result<std::unique_ptr<TableScan>> DatabaseImpl::scan(const TableDef& table) const {
  return TableScanImpl::start(context(), table);
}

namespace {

Error notARow(const std::string& path, const TableDef& table, RowLocator where,
              const char* why) {
  return Error{err::kBadPage, "'" + path + "', table '" + table.name + "', page " +
                                  std::to_string(where.page) + " row " +
                                  std::to_string(where.row) + ": " + why};
}

}  // namespace

Result<Row> DatabaseImpl::readRow(const TableDef& table, RowLocator where) const {
  JET_ASSIGN_OR_RETURN(PagePtr page, pages_->page(where.page));
  if (!isTableDataPage(*page, table.tdefPage)) {
    return notARow(path(), table, where, "not a data page of the table.");
  }
  JET_ASSIGN_OR_RETURN(auto values, readRowAt(context(), table, where, page));
  if (!values) return notARow(path(), table, where, "the row is deleted.");
  return Row{where, std::move(*values)};
}

Result<Value> DatabaseImpl::readCell(const TableDef& table, RowLocator where,
                                     std::size_t column) const {
  JET_ASSIGN_OR_RETURN(PagePtr page, pages_->page(where.page));
  if (!isTableDataPage(*page, table.tdefPage)) {
    return notARow(path(), table, where, "not a data page of the table.");
  }
  Value cell;
  JET_ASSIGN_OR_RETURN(bool live, readCellAt(context(), table, where, page, column, cell));
  if (!live) return notARow(path(), table, where, "the row is deleted.");
  return cell;
}

}  // namespace jet
