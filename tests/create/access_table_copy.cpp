// access_table_copy.cpp: re-creates an Access-made table with the creator, for the layout
// comparisons.
#include "access_table_copy.h"

#include <algorithm>
#include <memory>

#include "jet/create/database_creator.h"
#include "jet/file/page_file.h"

namespace jet::testing {
namespace {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kPageHeader = 8;

std::string columnName(const TableDef& t, std::uint16_t number) {
  for (const Column& c : t.columns) {
    if (c.number == number) return c.name;
  }
  return "?" + std::to_string(number);
}

const IndexDef* realIndex(const TableDef& t, std::uint32_t number) {
  for (const IndexDef& ix : t.indexes) {
    if (ix.number == number) return &ix;
  }
  return nullptr;
}

}  // namespace

TableSpec specOf(const TableDef& access) {
  TableSpec spec;
  spec.name = access.name;
  for (const Column& c : access.columns) {
    auto chars = static_cast<std::uint16_t>(c.type == ColumnType::kText ? c.length / 2 : 0);
    spec.columns.push_back({c.name, c.type, chars == 0 ? std::uint16_t{255} : chars});
  }
  std::vector<LogicalIndexDef> logical = access.logicalIndexes;
  std::sort(logical.begin(), logical.end(),
            [](const auto& a, const auto& b) { return a.number < b.number; });
  for (const LogicalIndexDef& l : logical) {
    const IndexDef* real = realIndex(access, l.physicalIndex);
    if (real == nullptr) continue;
    IndexSpec ix;
    ix.name = l.name;
    ix.primaryKey = l.type == kLogicalPrimaryKey;
    ix.unique = (real->flags & kIndexUnique) != 0;
    ix.ignoreNulls = (real->flags & kIndexIgnoreNulls) != 0;
    for (const IndexColumn& c : real->columns) {
      ix.columns.push_back({columnName(access, c.columnNumber), c.ascending});
    }
    spec.indexes.push_back(std::move(ix));
  }
  return spec;
}

Status copyTable(const std::string& accessFile, const std::string& table,
                 const std::string& templatePath, const std::string& created) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<Database> access, Database::open(accessFile));
  JET_ASSIGN_OR_RETURN(TableDef def, access->table(table));
  CreateOptions options;
  options.templatePath = templatePath;
  options.createdAt = 46000.5;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<DatabaseCreator> creator,
                       DatabaseCreator::create(created, options));
  JET_TRY(creator->addTable(specOf(def)));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> scan, access->scan(def));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) break;
    JET_TRY(creator->insertRow(row.values));
  }
  return creator->finish();
}

Result<std::vector<std::uint8_t>> definitionBytes(const std::string& path, const TableDef& table) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<PageFile> file, PageFile::openReadOnly(path));
  std::vector<std::uint8_t> joined;
  for (std::uint32_t page : table.tdefPages) {
    std::vector<std::uint8_t> bytes(kPageSize);
    JET_TRY(file->read(std::uint64_t{page} * kPageSize, bytes));
    auto from = joined.empty() ? bytes.begin() : bytes.begin() + kPageHeader;
    joined.insert(joined.end(), from, bytes.end());
  }
  return joined;
}

}  // namespace jet::testing
