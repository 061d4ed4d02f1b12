// index_maintainer.cpp: index keys of stored rows, the refusals, and the entry moves of one row
// change. Unique checks compare stored key bytes, which carry no case: "abc" and "ABC" collide.
#include "jet/index/index_maintainer.h"

#include <algorithm>

#include "jet/row/cell_codec.h"
#include "jet/core/error_codes.h"
#include "jet/index/index_tree.h"
#include "jet/row/row_codec.h"
#include "jet/schema/table_def.h"
#include "jet/row/table_pages.h"
#include "jet/schema/table_storage.h"

namespace jet {
namespace {

bool isText(ColumnType t) { return t == ColumnType::kText || t == ColumnType::kMemo; }

bool allNull(const std::vector<KeyPart>& parts) {
  return std::all_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.value.isNull; });
}

bool covers(const IndexDef& index, std::uint16_t column) {
  return std::any_of(index.columns.begin(), index.columns.end(),
                     [&](const IndexColumn& c) { return c.columnNumber == column; });
}

// Indexed long values are refused before a row is read, so this source is never asked.
class NoLongValues : public LongValueSource {
 public:
  Result<std::vector<std::uint8_t>> read(Bytes) const override {
    return Error{err::kUnsupported, "memo values in an index cannot be read here"};
  }
};

std::string shown(const std::vector<KeyPart>& parts) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += ", ";
    if (p.value.isNull) {
      out += "(null)";
    } else if (isText(p.type)) {
      out += "\"" + p.value.text + "\"";
    } else {
      out += std::to_string(p.value.integer);
    }
  }
  return out;
}

}  // namespace

IndexMaintainer::IndexMaintainer(PageCache& pages, PageAllocator& allocator, const TableDef& table,
                                 Version version, std::uint16_t codePage, bool hasVariableColumns,
                                 std::string file)
    : pages_(pages),
      allocator_(allocator),
      table_(table),
      version_(version),
      f_(formatFor(version)),
      codePage_(codePage),
      hasVariableColumns_(hasVariableColumns),
      file_(std::move(file)) {}

const Column* IndexMaintainer::column(std::uint16_t number) const {
  for (const auto& c : table_.columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

std::string IndexMaintainer::indexName(const IndexDef& index) const {
  std::string names;
  for (const auto& l : table_.logicalIndexes) {
    if (l.physicalIndex != index.number) continue;
    if (!names.empty()) names += " / ";
    names += l.name;
  }
  if (names.empty()) names = "number " + std::to_string(index.number);
  return names + " of table " + table_.name + " in " + file_;
}

// The relationship's name when its index bears it (hidden ones start with '.'), and the tables.
std::string IndexMaintainer::relationship(const LogicalIndexDef& index) const {
  std::string other = "#";
  other += std::to_string(index.relatedTable);
  auto tables = localTables(pages_, f_);
  if (tables.ok()) {
    for (const auto& t : *tables) {
      if (static_cast<std::int32_t>(t.tdefPage) == index.relatedTable) other = t.name;
    }
  }
  std::string between = "between tables " + table_.name + " and " + other;
  if (index.name.empty() || index.name[0] == '.') return between;
  return index.name + " (" + between + ")";
}

bool IndexMaintainer::indexed(std::uint16_t number) const {
  return std::any_of(table_.indexes.begin(), table_.indexes.end(),
                     [&](const IndexDef& i) { return covers(i, number); });
}

Status IndexMaintainer::checkColumn(const Column& changed) const {
  const std::string name = "column " + changed.name + " of table " + table_.name + " in " + file_;
  for (const auto& l : table_.logicalIndexes) {
    if (l.type != kLogicalForeignKey || l.physicalIndex >= table_.indexes.size()) continue;
    if (!covers(table_.indexes[l.physicalIndex], changed.number)) continue;
    return Error{err::kRelationship, name + " takes part in the relationship " + relationship(l) +
                                         " (enforced integrity); changing it could orphan "
                                         "related rows, so it is not changed"};
  }
  for (const auto& index : table_.indexes) {
    if (!covers(index, changed.number)) continue;
    for (const auto& ic : index.columns) {
      const Column* c = column(ic.columnNumber);
      if (c == nullptr) {
        return Error{err::kBadPage,
                     "index " + indexName(index) + " names a column that is not there"};
      }
      if (c->type == ColumnType::kMemo || c->type == ColumnType::kOle ||
          c->type == ColumnType::kComplex) {
        return Error{err::kNotWritable, name + " shares index " + indexName(index) +
                                            " with the long-value column " + c->name +
                                            "; such indexes cannot be kept up to date yet"};
      }
      if (isText(c->type)) {
        auto order = textSortOrderOf(version_, c->sortOrder, c->sortOrderVersion, c->name);
        if (!order.ok()) {
          return Error{err::kUnsupported, name + " is in index " + indexName(index) + ": " +
                                              order.error().description};
        }
      }
    }
  }
  return Status::success();
}

Result<std::vector<KeyPart>> IndexMaintainer::keyParts(const IndexDef& index,
                                                       std::span<const std::uint8_t> row) const {
  JET_ASSIGN_OR_RETURN(RowLayout layout,
                       splitRow(row, f_, hasVariableColumns_));
  NoLongValues none;
  CellContext ctx{f_, codePage_, none};
  std::vector<KeyPart> parts;
  for (const auto& ic : index.columns) {
    const Column* c = column(ic.columnNumber);
    if (c == nullptr)
      return Error{err::kBadPage,
                   "index " + indexName(index) + " names a column that is not there"};
    JET_ASSIGN_OR_RETURN(KeyPart p, keyPartOf(*c, ic.ascending, version_));
    const bool present = c->number < layout.columnCount;
    if (c->type == ColumnType::kBoolean) {
      p.value.isNull = false;
      p.value.boolean = present && layout.notNull(c->number);
    } else if (present && layout.notNull(c->number)) {
      std::span<const std::uint8_t> raw;
      if (c->fixed()) {
        std::size_t size = fixedSize(c->type, c->length);
        if (std::size_t{c->fixedOffset} + size > layout.fixed.size()) {
          return Error{err::kBadPage,
                       "a row of table " + table_.name + " is shorter than column " + c->name};
        }
        raw = std::span<const std::uint8_t>(layout.fixed).subspan(c->fixedOffset, size);
      } else if (c->varIndex < layout.variable.size()) {
        raw = layout.variable[c->varIndex];
      }
      Status decoded = decodeCell(*c, raw, ctx, p.value);
      if (!decoded.ok()) {
        return Error{decoded.error().number, "column " + c->name + " of table " + table_.name +
                                                 ": " + decoded.error().description};
      }
      p.value.isNull = false;
    }
    parts.push_back(std::move(p));
  }
  return parts;
}

// Whether an entry of another row holds exactly `key`. Access's text keys carry no case (upper-
// and lower-case letters share their codes in every sort order), so equal bytes are what Access
// calls the same key.
Result<bool> IndexMaintainer::heldByAnother(const IndexDef& index, RowLocator at,
                                            const std::vector<std::uint8_t>& key) {
  bool found = false;
  JET_TRY(tree(index).forEachWithPrefix(key, [&](const IndexEntry& e) -> Result<bool> {
    found = e.key == key && !(e.row == at);
    return !found;
  }));
  return found;
}

Result<IndexMaintainer::Move> IndexMaintainer::plan(const IndexDef& index, RowLocator at,
                                                    std::span<const std::uint8_t> oldRow,
                                                    std::span<const std::uint8_t> newRow) {
  Move m;
  m.index = &index;
  JET_ASSIGN_OR_RETURN(auto oldParts, keyParts(index, oldRow));
  JET_ASSIGN_OR_RETURN(auto newParts, keyParts(index, newRow));
  JET_ASSIGN_OR_RETURN(m.oldKey, encodeIndexKey(oldParts));
  JET_ASSIGN_OR_RETURN(m.newKey, encodeIndexKey(newParts));
  const bool ignoreNulls = (index.flags & kIndexIgnoreNulls) != 0;
  m.removeOld = !(ignoreNulls && allNull(oldParts));
  m.insertNew = !(ignoreNulls && allNull(newParts));
  if (m.removeOld && m.insertNew && m.oldKey == m.newKey) {
    m.removeOld = m.insertNew = false;
    return m;
  }
  if (!m.insertNew) return m;
  JET_ASSIGN_OR_RETURN(bool held, heldByAnother(index, at, m.newKey));
  if (held && (index.flags & kIndexUnique) != 0 && !allNull(newParts)) {
    return Error{err::kUniqueViolation, "the change would give two rows the value " +
                                            shown(newParts) + " in the unique index " +
                                            indexName(index) +
                                            " (Access ignores case here); nothing was changed"};
  }
  m.newDistinctKey = !held;
  return m;
}

Status IndexMaintainer::update(RowLocator at, std::span<const std::uint8_t> oldRow,
                               std::span<const std::uint8_t> newRow,
                               const std::vector<std::uint16_t>& changedColumns) {
  std::vector<Move> moves;
  for (const auto& index : table_.indexes) {
    bool touched = std::any_of(changedColumns.begin(), changedColumns.end(),
                               [&](std::uint16_t c) { return covers(index, c); });
    if (!touched) continue;
    if (index.rootPage == 0) {
      return Error{err::kBadPage, "index " + indexName(index) + " has no root page"};
    }
    JET_ASSIGN_OR_RETURN(Move m, plan(index, at, oldRow, newRow));
    if (m.removeOld || m.insertNew) moves.push_back(std::move(m));
  }
  for (const auto& m : moves) {
    IndexTree& t = tree(*m.index);
    if (m.removeOld) JET_TRY(t.remove(IndexEntry{m.oldKey, at, 0}));
    if (m.insertNew) JET_TRY(t.insert(IndexEntry{m.newKey, at, 0}));
    if (m.newDistinctKey) JET_TRY(countNewKey(*m.index));
  }
  return Status::success();
}

IndexTree& IndexMaintainer::tree(const IndexDef& index) {
  auto it = trees_.find(index.number);
  if (it == trees_.end()) {
    it = trees_
             .try_emplace(index.number, pages_, allocator_, f_, table_.tdefPage,
                          index.rootPage, MapRef::fromPointer(index.usageMapRow), indexName(index))
             .first;
  }
  return it->second;
}

Status IndexMaintainer::countNewKey(const IndexDef& index) {
  JET_ASSIGN_OR_RETURN(Page tdef, pages_.read(table_.tdefPage));
  if (!addToUniqueEntryCount(tdef, f_, index.number, 1)) {
    return Error{err::kBadPage, "the definition of table " + table_.name + " in " + file_ +
                                    " has no room for the key count of index " + indexName(index)};
  }
  return pages_.write(table_.tdefPage, std::move(tdef));
}

}  // namespace jet
