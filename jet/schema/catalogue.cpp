// catalogue.cpp: classification of MSysObjects rows, and the catalogue rows of a new table.
#include "jet/schema/catalogue.h"

#include <algorithm>

#include "jet/core/fold_case.h"

#include "jet/core/error_codes.h"

namespace jet {
namespace {

// Flags bit 0x80000000 marks the objects the database engine itself keeps (MSysObjects,
// MSysACEs, MSysQueries, MSysRelationships, MSysComplexColumns...): ADO calls them
// SYSTEM TABLE. Bit 0x00000002 without it marks the system objects that Access (not the
// engine) creates, such as MSysAccessObjects, MSysModules and MSysNavPaneGroups: ADO calls
// them ACCESS TABLE. Both facts checked on the corpus files of every version.
constexpr std::uint32_t kEngineSystemFlag = 0x80000000u;
constexpr std::uint32_t kAccessSystemFlag = 0x00000002u;
constexpr std::uint32_t kIdPageMask = 0x00FFFFFFu;  // a local table's Id: its definition page

constexpr std::int32_t kContainersParentId = 0x0F000000;  // parent of "Tables", "Databases"...
constexpr std::int64_t kFullAccess = 1048575;             // ACM of a new table's owner entries
std::vector<std::uint8_t> adminSid() { return {0xA6, 0x33}; }

const Value* cell(const TableDef& table, const Row& row, std::string_view column) {
  for (std::size_t n = 0; n < table.columns.size() && n < row.values.size(); ++n) {
    if (equalsIgnoringCase(table.columns[n].name, column)) return &row.values[n];
  }
  return nullptr;
}

std::int64_t integerCell(const TableDef& table, const Row& row, std::string_view column) {
  const Value* v = cell(table, row, column);
  return v == nullptr || v->isNull ? 0 : v->integer;
}

// The position of `name` among the columns of `def` (exactly as the catalogue spells it), or
// the column count.
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

}  // namespace

ObjectKind classifyObject(std::int32_t type, std::int32_t flags) {
  auto bits = static_cast<std::uint32_t>(flags);
  switch (type) {
    case kObjectLocalTable:
      if ((bits & kEngineSystemFlag) != 0) return ObjectKind::kSystemTable;
      if ((bits & kAccessSystemFlag) != 0) return ObjectKind::kAccessTable;
      return ObjectKind::kTable;
    case kObjectAccessLink:
      return ObjectKind::kLink;
    case kObjectOdbcLink:
      return ObjectKind::kPassThrough;
    // A select query has no flags; action queries, and hidden queries of forms, carry some.
    case kObjectQuery:
      return flags == 0 ? ObjectKind::kView : ObjectKind::kOther;
    default:
      return ObjectKind::kOther;
  }
}

CatalogEntry catalogEntryFromRow(const TableDef& table, const Row& row) {
  CatalogEntry e;
  const Value* name = cell(table, row, "Name");
  if (name != nullptr) e.name = name->text;
  e.id = static_cast<std::int32_t>(integerCell(table, row, "Id"));
  auto type = static_cast<std::int32_t>(integerCell(table, row, "Type"));
  auto flags = static_cast<std::int32_t>(integerCell(table, row, "Flags"));
  e.kind = classifyObject(type, flags);
  if (type == kObjectLocalTable) e.tdefPage = tablePageOfObject(e.id);
  return e;
}

std::uint32_t tablePageOfObject(std::int32_t id) {
  return static_cast<std::uint32_t>(id) & kIdPageMask;
}

std::string_view objectKindText(ObjectKind k) {
  switch (k) {
    case ObjectKind::kTable:
      return "TABLE";
    case ObjectKind::kSystemTable:
      return "SYSTEM TABLE";
    case ObjectKind::kAccessTable:
      return "ACCESS TABLE";
    case ObjectKind::kLink:
      return "LINK";
    case ObjectKind::kPassThrough:
      return "PASS-THROUGH";
    case ObjectKind::kView:
      return "VIEW";
    case ObjectKind::kOther:
      return "";
  }
  return "";
}

Result<TablesContainer> findTablesContainer(const TableDef& objects, const CatalogueRows& rows,
                                            const std::string& file) {
  std::size_t id = columnIndex(objects, "Id"), parent = columnIndex(objects, "ParentId");
  std::size_t name = columnIndex(objects, "Name"), owner = columnIndex(objects, "Owner");
  if (std::max({id, parent, name, owner}) >= objects.columns.size()) {
    return Error{err::kUnsupported, file + ": MSysObjects lacks the usual columns."};
  }
  struct Object {
    std::int64_t id, parent;
    std::string name;
    std::vector<std::uint8_t> owner;
  };
  std::vector<Object> objectsSeen;
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, rows(row));
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
  const Object* tables = find(kContainersParentId, "Tables");
  if (tables == nullptr) {
    return Error{err::kUnsupported, file + ": the catalogue has no \"Tables\" container."};
  }
  TablesContainer out{static_cast<std::int32_t>(tables->id), adminSid()};
  const Object* databases = find(kContainersParentId, "Databases");
  const Object* msysDb = databases ? find(databases->id, "MSysDb") : nullptr;
  if (msysDb != nullptr && !msysDb->owner.empty()) out.owner = msysDb->owner;
  return out;
}

Result<std::vector<std::vector<std::uint8_t>>> rightHolders(const TableDef& aces,
                                                            const CatalogueRows& rows,
                                                            std::int32_t objectId) {
  std::size_t object = columnIndex(aces, "ObjectId"), sid = columnIndex(aces, "SID");
  std::vector<std::vector<std::uint8_t>> out;
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, rows(row));
    if (!more) break;
    if (object < row.values.size() && sid < row.values.size() &&
        row.values[object].integer == objectId && !row.values[sid].isNull) {
      out.push_back(row.values[sid].bytes);
    }
  }
  if (out.empty()) out.push_back(adminSid());
  return out;
}

std::vector<Value> newTableObjectRow(const TableDef& objects, const TableDef& table,
                                     const TablesContainer& container, double createdAt) {
  std::vector<Value> row(objects.columns.size());
  Value created;
  created.isNull = false;
  created.real = createdAt;
  setValue(objects, row, "Id", integer(table.tdefPage));
  setValue(objects, row, "ParentId", integer(container.id));
  setValue(objects, row, "Name", text(table.name));
  setValue(objects, row, "Type", integer(kObjectLocalTable));
  setValue(objects, row, "DateCreate", created);
  setValue(objects, row, "DateUpdate", created);
  setValue(objects, row, "Flags", integer(0));
  setValue(objects, row, "Owner", bytes(container.owner));
  return row;
}

std::vector<Value> newTableAceRow(const TableDef& aces, std::uint32_t tdefPage,
                                  const std::vector<std::uint8_t>& sid) {
  std::vector<Value> row(aces.columns.size());
  setValue(aces, row, "ACM", integer(kFullAccess));
  Value no;
  no.isNull = false;
  setValue(aces, row, "FInheritable", no);
  setValue(aces, row, "ObjectId", integer(tdefPage));
  setValue(aces, row, "SID", bytes(sid));
  return row;
}

}  // namespace jet
