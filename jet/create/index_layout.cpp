// index_layout.cpp: checks the indexes a new table asks for and turns them into definition entries.
#include "jet/create/index_layout.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/index/index_key.h"
#include "jet/schema/catalogue.h"

namespace jet {
namespace {

Error refuse(const TableDef& table, const std::string& index, const std::string& why) {
  return Error{err::kUnsupported,
               "Index \"" + index + "\" of table \"" + table.name + "\": " + why + "."};
}

Result<IndexColumn> indexColumn(const TableDef& table, const std::string& index,
                                const IndexColumnSpec& spec) {
  auto c = std::find_if(table.columns.begin(), table.columns.end(), [&](const Column& col) {
    return equalsIgnoringCase(col.name, spec.column);
  });
  if (c == table.columns.end()) {
    return refuse(table, index, "the table has no column \"" + spec.column + "\"");
  }
  if (c->type == ColumnType::kMemo) {
    return refuse(table, index, "memo column \"" + c->name + "\" cannot be indexed");
  }
  return IndexColumn{c->number, spec.ascending};
}

Result<IndexDef> physicalIndex(const TableDef& table, const std::string& name,
                               const IndexSpec& spec, std::uint32_t number) {
  if (spec.columns.empty()) return refuse(table, name, "an index needs at least one column");
  if (spec.columns.size() > kMaxIndexColumns) {
    return refuse(table, name,
                  "an index holds at most " + std::to_string(kMaxIndexColumns) + " columns");
  }
  if (spec.primaryKey && spec.ignoreNulls) {
    return refuse(table, name, "a primary key cannot ignore nulls");
  }
  IndexDef ix;
  ix.number = number;
  for (const IndexColumnSpec& c : spec.columns) {
    JET_ASSIGN_OR_RETURN(IndexColumn column, indexColumn(table, name, c));
    for (const IndexColumn& seen : ix.columns) {
      if (seen.columnNumber == column.columnNumber) {
        return refuse(table, name, "column \"" + c.column + "\" is named twice");
      }
    }
    ix.columns.push_back(column);
  }
  ix.flags = kIndexAlwaysSet;
  if (spec.unique || spec.primaryKey) ix.flags |= kIndexUnique;
  if (spec.primaryKey) ix.flags |= kIndexRequired;
  if (spec.ignoreNulls) ix.flags |= kIndexIgnoreNulls;
  return ix;
}

// The sort key Access orders index names by: the name as a General Legacy text key.
Result<std::vector<std::uint8_t>> nameKey(const std::string& name) {
  KeyPart part;
  part.column = name;
  part.value.isNull = false;
  part.value.text = name;
  return encodeIndexKey({part});
}

// Key bytes in unsigned order. (Spelled with std::mismatch: GCC 12 at -O3 warns falsely about
// the memcmp that the vector comparison operators inline.)
bool keyBefore(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return y != b.end() && (x == a.end() || *x < *y);
}

// Access keeps the logical-index blocks (and their names) in name order, whatever the order of
// their numbers; equal keys keep the order given.
Status sortByName(std::vector<LogicalIndexDef>& logical) {
  std::vector<std::pair<std::vector<std::uint8_t>, LogicalIndexDef>> keyed;
  for (LogicalIndexDef& l : logical) {
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> key, nameKey(l.name));
    keyed.emplace_back(std::move(key), std::move(l));
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return keyBefore(a.first, b.first); });
  logical.clear();
  for (auto& k : keyed) logical.push_back(std::move(k.second));
  return {};
}

}  // namespace

Status layoutIndexes(TableDef& table, const std::vector<IndexSpec>& indexes) {
  if (indexes.size() > kMaxNewIndexes) {
    return Error{err::kUnsupported,
                 "Table \"" + table.name + "\" asks for " + std::to_string(indexes.size()) +
                     " indexes; a table holds at most " + std::to_string(kMaxNewIndexes) + "."};
  }
  bool primaryKey = false;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const IndexSpec& spec = indexes[i];
    std::string name = spec.name.empty() && spec.primaryKey ? kPrimaryKeyName : spec.name;
    JET_TRY(checkObjectName(name, "index of table \"" + table.name + "\""));
    for (const LogicalIndexDef& other : table.logicalIndexes) {
      if (equalsIgnoringCase(other.name, name))
        return refuse(table, name, "the name is used twice");
    }
    if (spec.primaryKey && primaryKey) {
      return refuse(table, name, "the table has a primary key already");
    }
    primaryKey = primaryKey || spec.primaryKey;
    auto number = static_cast<std::uint32_t>(i);
    JET_ASSIGN_OR_RETURN(IndexDef physical, physicalIndex(table, name, spec, number));
    table.indexes.push_back(std::move(physical));
    LogicalIndexDef logical;
    logical.name = name;
    logical.number = number;
    logical.physicalIndex = number;
    logical.type = spec.primaryKey ? kLogicalPrimaryKey : 0;
    table.logicalIndexes.push_back(std::move(logical));
  }
  return sortByName(table.logicalIndexes);
}

std::string indexDisplayName(const TableDef& table, const IndexDef& index) {
  for (const LogicalIndexDef& l : table.logicalIndexes) {
    if (l.physicalIndex == index.number) return l.name;
  }
  return std::to_string(index.number);
}

}  // namespace jet
