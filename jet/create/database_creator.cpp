// database_creator.cpp: new files from templates, new tables and their catalogue rows.
#include "jet/create/database_creator.h"

#include <unistd.h>

#include <algorithm>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/core/format.h"
#include "jet/create/index_filler.h"
#include "jet/create/system_row_insert.h"
#include "jet/create/table_filler.h"
#include "jet/index/index_page.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/pager/file_page_store.h"
#include "jet/pager/header.h"
#include "jet/pager/page_channel.h"
#include "jet/schema/catalogue.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

constexpr std::uint32_t kGlobalMapPage = 1;

// Judged before any password is tried, so that every template at fault gets this one message.
Result<Version> checkTemplate(const Header& header, const std::string& path) {
  const HeaderInfo& h = header.info;
  if (h.version == Version::kJet3 || h.encodingKey != 0 || h.hasPassword ||
      h.pageSize != formatFor(h.version).pageSize) {
    return Error{err::kUnsupported, path +
                                        ": a template must be an unencrypted Jet4 or ACE "
                                        "database without a password."};
  }
  return h.version;
}

}  // namespace

DatabaseCreator::DatabaseCreator(std::string path, std::string partial, Version version,
                                 CreateOptions options, std::unique_ptr<FilePageStore> pages)
    : path_(std::move(path)),
      partial_(std::move(partial)),
      version_(version),
      options_(std::move(options)),
      pages_(std::move(pages)),
      firstNewPage_(pages_->pageCount()) {}

DatabaseCreator::~DatabaseCreator() {
  if (finished_) return;
  indexes_.reset();
  filler_.reset();
  pages_.reset();
  (void)RawFile::remove(partial_);
}

Result<std::unique_ptr<DatabaseCreator>> DatabaseCreator::create(const std::string& path,
                                                                 const CreateOptions& options) {
  if (RawFile::exists(path)) {
    return Error{err::kIo, path + ": the file exists already; a new database needs a new name."};
  }
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageChannel> source,
                       PageChannel::openHeader(options.templatePath));
  JET_ASSIGN_OR_RETURN(Version version, checkTemplate(source->header(), options.templatePath));
  if (!options.password.empty() && version < Version::kAce12) {
    return Error{err::kUnsupported,
                 path + ": only an .accdb (ACE) database can be encrypted with a password."};
  }
  std::string partial = path + ".partial";
  if (RawFile::exists(partial)) {
    return Error{err::kIo, partial + " exists: another creation of " + path +
                               " is running or was interrupted; delete it and try again."};
  }
  JET_TRY(source->unlock({}));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageChannel> channel,
                       PageChannel::create(partial, *source, options.faults, options.password));
  auto pages = std::make_unique<FilePageStore>(std::move(channel));
  return std::unique_ptr<DatabaseCreator>(
      new DatabaseCreator(path, partial, version, options, std::move(pages)));
}

Result<TableDef> DatabaseCreator::writeDefinition(TableDef def) {
  const Format& f = formatFor(version_);
  const std::string& name = def.name;
  PageFiller maps(f, 0, false);
  std::size_t memos = 0;
  for (const Column& c : def.columns) memos += c.type == ColumnType::kMemo;
  if (!maps.fits((2 + def.indexes.size() + 2 * memos) * (kUsageMapRowSize + 2))) {
    return Error{err::kUnsupported,
                 "Table \"" + name + "\" has too many memo columns and indexes."};
  }
  def.tdefPage = pages_->reserve();
  std::uint32_t mapPage = pages_->reserve();
  def.ownedMap = mapPointer(mapPage, maps.add(referenceMapRow({})));
  def.freeMap = mapPointer(mapPage, maps.add(emptyInlineMapRow()));
  // Each index: a usage-map row and a root page, an empty leaf until the rows are done.
  for (IndexDef& ix : def.indexes) {
    ix.usageMapRow = mapPointer(mapPage, maps.add(referenceMapRow({})));
    ix.rootPage = pages_->reserve();
    IndexPage root;
    root.number = ix.rootPage;
    root.tablePage = def.tdefPage;
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> image, writeIndexPage(root, f));
    JET_TRY(pages_->write(ix.rootPage, image));
  }
  for (const Column& c : def.columns) {
    if (c.type != ColumnType::kMemo) continue;
    LongValueMaps lv;
    lv.columnNumber = c.number;
    lv.ownedMap = mapPointer(mapPage, maps.add(referenceMapRow({})));
    lv.freeMap = mapPointer(mapPage, maps.add(emptyInlineMapRow()));
    def.longValueMaps.push_back(lv);
  }
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> tdef, writeTableDef(def, f, 0));
  JET_TRY(pages_->write(def.tdefPage, tdef));
  JET_TRY(pages_->write(mapPage, maps.page()));
  return def;
}

Status DatabaseCreator::registerTable(const TableDef& table) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> db,
                       Database::open(partial_, OpenOptions{options_.password}));
  JET_ASSIGN_OR_RETURN(SystemTable objects, loadSystemTable(*db, "MSysObjects"));
  JET_ASSIGN_OR_RETURN(SystemTable aces, loadSystemTable(*db, "MSysACEs"));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> objectRows, db->scan(objects.def));
  JET_ASSIGN_OR_RETURN(
      TablesContainer container,
      findTablesContainer(
          objects.def, [&](Row& row) { return objectRows->next(row); }, db->path()));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> aceRows, db->scan(aces.def));
  JET_ASSIGN_OR_RETURN(auto sids,
                       rightHolders(
                           aces.def, [&](Row& row) { return aceRows->next(row); }, container.id));
  objectRows.reset();
  aceRows.reset();
  db.reset();

  JET_TRY(insertSystemRow(*pages_, objects, version_,
                          newTableObjectRow(objects.def, table, container, options_.createdAt)));
  for (const std::vector<std::uint8_t>& sid : sids) {
    JET_TRY(
        insertSystemRow(*pages_, aces, version_, newTableAceRow(aces.def, table.tdefPage, sid)));
  }
  return {};
}

Status DatabaseCreator::addTable(const std::string& name, const std::vector<ColumnSpec>& columns) {
  return addTable(TableSpec{name, columns, {}});
}

Status DatabaseCreator::addTable(const TableSpec& spec) {
  const std::string& name = spec.name;
  if (failed_ || finished_) {
    return Error{err::kUnsupported, path_ + ": the database being created is closed."};
  }
  JET_TRY(closeTable());
  {
    JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> db,
                         Database::open(partial_, OpenOptions{options_.password}));
    for (const CatalogEntry& e : db->catalogue()) {
      if (equalsIgnoringCase(e.name, name)) {
        return Error{err::kUnsupported,
                     "The database already has an object named \"" + name + "\"."};
      }
    }
  }
  JET_ASSIGN_OR_RETURN(TableDef laidOut, layoutTable(name, spec.columns));
  JET_TRY(layoutIndexes(laidOut, spec.indexes));
  // From here on a failure may leave half a table: the file is then given up.
  failed_ = true;
  JET_ASSIGN_OR_RETURN(TableDef def, writeDefinition(std::move(laidOut)));
  JET_TRY(registerTable(def));
  if (!def.indexes.empty()) {
    indexedTable_ = std::make_unique<TableDef>(def);
    indexes_ = std::make_unique<IndexFiller>(*pages_, version_, *indexedTable_, partial_ + ".sort",
                                             options_.indexSortBudget);
  }
  filler_ = std::make_unique<TableFiller>(*pages_, formatFor(version_), std::move(def));
  failed_ = false;
  return {};
}

Status DatabaseCreator::insertRow(const std::vector<Value>& values) {
  if (!filler_ || failed_) {
    return Error{err::kUnsupported, path_ + ": no table is open for rows."};
  }
  IndexFiller::RowKeys keys;
  if (indexes_) {
    JET_ASSIGN_OR_RETURN(keys, indexes_->keys(values));
  }
  Status inserted = filler_->insert(values);
  failed_ = filler_->broken();
  JET_TRY(inserted);
  if (indexes_) {
    Status added = indexes_->add(std::move(keys), filler_->lastRow());
    failed_ = failed_ || !added.ok();
    JET_TRY(added);
  }
  return {};
}

Status DatabaseCreator::closeTable() {
  if (!filler_) return {};
  failed_ = true;
  JET_TRY(filler_->finish());
  if (indexes_) JET_TRY(indexes_->finish());
  indexes_.reset();
  indexedTable_.reset();
  filler_.reset();
  failed_ = false;
  return {};
}

Status DatabaseCreator::finish() {
  if (failed_ || finished_) {
    return Error{err::kUnsupported, path_ + ": the database being created is closed."};
  }
  JET_TRY(closeTable());
  failed_ = true;
  const Format& f = formatFor(version_);
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> page, pages_->read(kGlobalMapPage));
  std::size_t start = u16(page, f.dataRowTable) & 0x1FFF;
  std::size_t end = f.pageSize;  // row 0 runs to the page end
  if (start >= end || end > page.size()) {
    return Error{err::kBadPage, options_.templatePath + ": the global usage map is damaged."};
  }
  JET_TRY(markNewPagesUsed(std::span(page).subspan(start, end - start), firstNewPage_,
                           pages_->pageCount()));
  JET_TRY(pages_->write(kGlobalMapPage, page));
  JET_TRY(pages_->sync());
  pages_.reset();
  if (::link(partial_.c_str(), path_.c_str()) != 0) {
    return Error{err::kIo, path_ +
                               ": the new database cannot be put in place (it may exist "
                               "already)."};
  }
  JET_TRY(RawFile::remove(partial_));
  JET_TRY(RawFile::syncFolderOf(path_));
  finished_ = true;
  return {};
}

}  // namespace jet
