// database_creator.cpp: new files from templates, new tables and their catalogue rows.
#include "jet/create/database_creator.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/pager/file_page_store.h"
#include "jet/core/format.h"
#include "jet/pager/header.h"
#include "jet/create/index_filler.h"
#include "jet/index/index_page_writer.h"
#include "jet/page/usage_map.h"
#include "jet/page/data_page.h"
#include "jet/create/system_row_insert.h"
#include "jet/schema/table_def_writer.h"
#include "jet/create/table_filler.h"

namespace jet {
namespace {

constexpr std::int32_t kTablesParentId = 0x0F000000;  // the "Tables" container's parent
constexpr std::int64_t kFullAccess = 1048575;         // ACM of a new table's owner entries
constexpr std::int64_t kTypeTable = 1;
constexpr std::uint32_t kGlobalMapPage = 1;
std::vector<std::uint8_t> defaultOwner() { return {0xA6, 0x33}; }  // the Admin user SID

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

Result<std::vector<std::uint8_t>> readWhole(const std::string& path) {
  JET_ASSIGN_OR_RETURN(RawFile file, RawFile::open(path, RawFile::Mode::kReadOnly));
  JET_ASSIGN_OR_RETURN(std::uint64_t size, file.size());
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  JET_TRY(file.read(0, bytes));
  return bytes;
}

Result<Version> checkTemplate(const std::vector<std::uint8_t>& bytes, const std::string& path) {
  JET_ASSIGN_OR_RETURN(Header header, parseHeader(bytes, path, bytes.size()));
  const HeaderInfo& h = header.info;
  if (h.version == Version::kJet3 || h.encodingKey != 0 || h.hasPassword || h.pageSize != 4096 ||
      bytes.size() % h.pageSize != 0) {
    return Error{err::kUnsupported, path +
                                        ": a template must be an unencrypted Jet4 or ACE "
                                        "database without a password."};
  }
  return h.version;
}

std::size_t columnIndex(const TableDef& def, std::string_view name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == name) return i;
  }
  return def.columns.size();
}

Value integer(std::int64_t v) {
  Value out;
  out.isNull = false;
  out.integer = v;
  return out;
}

Value text(const std::string& s) {
  Value out;
  out.isNull = false;
  out.text = s;
  return out;
}

Value bytes(const std::vector<std::uint8_t>& b) {
  Value out;
  out.isNull = false;
  out.bytes = b;
  return out;
}

void setValue(const TableDef& def, std::vector<Value>& row, std::string_view column, Value v) {
  std::size_t i = columnIndex(def, column);
  if (i < row.size()) row[i] = std::move(v);
}

// The "Tables" container's Id, and the owner new objects get: that of the database's own
// object "MSysDb" (inside the "Databases" container), as Access gives its new tables.
struct TablesParent {
  std::int32_t id = 0;
  std::vector<std::uint8_t> owner;
};

Result<TablesParent> findTablesParent(const Database& db, const TableDef& objects) {
  std::size_t id = columnIndex(objects, "Id"), parent = columnIndex(objects, "ParentId");
  std::size_t name = columnIndex(objects, "Name"), owner = columnIndex(objects, "Owner");
  if (std::max({id, parent, name, owner}) >= objects.columns.size()) {
    return Error{err::kUnsupported, db.path() + ": MSysObjects lacks the usual columns."};
  }
  struct Object {
    std::int64_t id, parent;
    std::string name;
    std::vector<std::uint8_t> owner;
  };
  std::vector<Object> objectsSeen;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> scan, db.scan(objects));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) break;
    objectsSeen.push_back({row.values[id].integer, row.values[parent].integer,
                           row.values[name].text, row.values[owner].bytes});
  }
  auto find = [&](std::int64_t parentId, const std::string& n) -> const Object* {
    for (const Object& o : objectsSeen) {
      if (o.parent == parentId && o.name == n) return &o;
    }
    return nullptr;
  };
  const Object* tables = find(kTablesParentId, "Tables");
  if (tables == nullptr) {
    return Error{err::kUnsupported, db.path() + ": the catalogue has no \"Tables\" container."};
  }
  TablesParent out{static_cast<std::int32_t>(tables->id), defaultOwner()};
  const Object* databases = find(kTablesParentId, "Databases");
  const Object* msysDb = databases ? find(databases->id, "MSysDb") : nullptr;
  if (msysDb != nullptr && !msysDb->owner.empty()) out.owner = msysDb->owner;
  return out;
}

// The SIDs that hold rights on the "Tables" container; new tables get the same.
Result<std::vector<std::vector<std::uint8_t>>> containerSids(const Database& db,
                                                             const TableDef& aces,
                                                             std::int32_t parentId) {
  std::size_t object = columnIndex(aces, "ObjectId"), sid = columnIndex(aces, "SID");
  std::vector<std::vector<std::uint8_t>> out;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> scan, db.scan(aces));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) break;
    if (object < row.values.size() && sid < row.values.size() &&
        row.values[object].integer == parentId && !row.values[sid].isNull) {
      out.push_back(row.values[sid].bytes);
    }
  }
  if (out.empty()) out.push_back(defaultOwner());
  return out;
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
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> image, readWhole(options.templatePath));
  JET_ASSIGN_OR_RETURN(Version version, checkTemplate(image, options.templatePath));
  std::string partial = path + ".partial";
  if (RawFile::exists(partial)) {
    return Error{err::kIo, partial + " exists: another creation of " + path +
                               " is running or was interrupted; delete it and try again."};
  }
  JET_ASSIGN_OR_RETURN(RawFile file,
                       RawFile::open(partial, RawFile::Mode::kCreateNew, options.faults));
  Status written = file.write(0, image);
  if (!written.ok()) {
    (void)RawFile::remove(partial);
    return written.error();
  }
  auto pages = std::make_unique<FilePageStore>(std::move(file), 4096,
                                               static_cast<std::uint32_t>(image.size() / 4096));
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
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> image, writeIndexPage(root, version_));
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
  JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> db, Database::open(partial_));
  JET_ASSIGN_OR_RETURN(SystemTable objects, loadSystemTable(*db, "MSysObjects"));
  JET_ASSIGN_OR_RETURN(SystemTable aces, loadSystemTable(*db, "MSysACEs"));
  JET_ASSIGN_OR_RETURN(TablesParent parent, findTablesParent(*db, objects.def));
  JET_ASSIGN_OR_RETURN(auto sids, containerSids(*db, aces.def, parent.id));
  db.reset();

  std::vector<Value> row(objects.def.columns.size());
  Value created;
  created.isNull = false;
  created.real = options_.createdAt;
  setValue(objects.def, row, "Id", integer(table.tdefPage));
  setValue(objects.def, row, "ParentId", integer(parent.id));
  setValue(objects.def, row, "Name", text(table.name));
  setValue(objects.def, row, "Type", integer(kTypeTable));
  setValue(objects.def, row, "DateCreate", created);
  setValue(objects.def, row, "DateUpdate", created);
  setValue(objects.def, row, "Flags", integer(0));
  setValue(objects.def, row, "Owner", bytes(parent.owner));
  JET_TRY(insertSystemRow(*pages_, objects, version_, row));

  for (const std::vector<std::uint8_t>& sid : sids) {
    std::vector<Value> ace(aces.def.columns.size());
    setValue(aces.def, ace, "ACM", integer(kFullAccess));
    Value no;
    no.isNull = false;
    setValue(aces.def, ace, "FInheritable", no);
    setValue(aces.def, ace, "ObjectId", integer(table.tdefPage));
    setValue(aces.def, ace, "SID", bytes(sid));
    JET_TRY(insertSystemRow(*pages_, aces, version_, ace));
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
    JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> db, Database::open(partial_));
    for (const CatalogEntry& e : db->catalogue()) {
      if (sameName(e.name, name)) {
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
