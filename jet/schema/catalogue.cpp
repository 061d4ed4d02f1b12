// catalogue.cpp: classification of MSysObjects rows.
#include "jet/schema/catalogue.h"

#include "jet/core/fold_case.h"

namespace jet {
namespace {

// Flags bit 0x80000000 marks the objects the database engine itself keeps (MSysObjects,
// MSysACEs, MSysQueries, MSysRelationships, MSysComplexColumns...): ADO calls them
// SYSTEM TABLE. Bit 0x00000002 without it marks the system objects that Access (not the
// engine) creates, such as MSysAccessObjects, MSysModules and MSysNavPaneGroups: ADO calls
// them ACCESS TABLE. Both facts checked on the corpus files of every version.
constexpr std::uint32_t kEngineSystemFlag = 0x80000000u;
constexpr std::uint32_t kAccessSystemFlag = 0x00000002u;

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
  if (type == kObjectLocalTable) e.tdefPage = static_cast<std::uint32_t>(e.id) & 0x00FFFFFFu;
  return e;
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

}  // namespace jet
