// table_def.cpp: table definitions: the reader (any version, any number of pages), the edits of
// the counters on a definition's first page, and the builder of a new table's definition (column
// layout, then the one-page image). Layouts: docs/format/table_def.md, docs/format/new_table.md.
#include "jet/schema/table_def.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_set>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kNextPage = 4;      // u32 next page of the chain, 0 on the last
constexpr std::size_t kChainHeader = 8;   // type, 0x01, u16, u32 next page
constexpr std::size_t kMaxColumns = 256;  // the format cannot hold more
constexpr std::size_t kMaxIndexes = 1024;
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::uint16_t kUnusedColumn = 0xFFFF;
// In a physical index's count block: the entries it holds, then its distinct keys.
constexpr std::size_t kCountBlockEntries = 0;
constexpr std::size_t kCountBlockUniqueKeys = 4;

// ---- Reading

// A cursor over the concatenated definition; every read is checked.
class Cursor {
 public:
  explicit Cursor(Bytes b, std::size_t at = 0) : b_(b), at_(at) {}
  bool has(std::size_t n) const { return inBounds(b_, at_, n); }
  std::size_t at() const { return at_; }
  Bytes take(std::size_t n) {
    Bytes r = b_.subspan(at_, n);
    at_ += n;
    return r;
  }
  std::uint8_t u8v() { return take(1)[0]; }
  std::uint16_t u16v() { return u16(take(2), 0); }
  std::uint32_t u32v() { return u32(take(4), 0); }
  void skip(std::size_t n) { at_ += n; }

 private:
  Bytes b_;
  std::size_t at_;
};

struct Context {
  const TableDefPageReader& read;
  const Format& f;
  const std::string& name;
  std::uint32_t page;
  std::uint16_t codePage;
  const std::string& file;
  Error error(const std::string& what) const {
    std::string lead = file.empty() ? "The" : "'" + file + "': the";
    return Error{err::kBadPage, lead + " definition of table '" + name + "' (page " +
                                    std::to_string(page) + ") " + what + "."};
  }
};

// Joins the chain: the first page whole, later pages without their 8-byte header.
Result<std::vector<std::uint8_t>> readChain(const Context& c, std::vector<std::uint32_t>& chain) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> page;
  std::unordered_set<std::uint32_t> seen;
  for (std::uint32_t p = c.page; p != 0;) {
    if (!seen.insert(p).second) return c.error("has a cyclic page chain");
    Status read = c.read(p, page);
    if (!read.ok()) return c.error("cannot be read: " + read.error().description);
    if (page.size() < kChainHeader || page[0] != kPageTypeTableDef) {
      return c.error("continues on page " + std::to_string(p) + ", which is not a definition page");
    }
    chain.push_back(p);
    std::size_t from = out.empty() ? 0 : kChainHeader;
    out.insert(out.end(), page.begin() + static_cast<std::ptrdiff_t>(from), page.end());
    p = u32(page, kNextPage);
  }
  return out;
}

Result<std::string> readName(Context& c, Cursor& in) {
  std::size_t len = 0;
  if (!in.has(c.f.nameLengthSize)) return c.error("ends inside a name");
  len = c.f.nameLengthSize == 1 ? in.u8v() : in.u16v();
  if (!in.has(len)) return c.error("ends inside a name");
  Bytes raw = in.take(len);
  return c.f.jet3 ? decodeCodePage(raw, c.codePage) : decodeUcs2Text(raw);
}

Column readColumn(const Format& f, Bytes d) {
  Column col;
  col.type = static_cast<ColumnType>(d[0]);
  col.resultType = col.type;
  col.number = u16(d, f.colNumber);
  col.varIndex = u16(d, f.colVarIndex);
  col.fixedOffset = u16(d, f.colFixedOffset);
  col.length = u16(d, f.colLength);
  col.flags = d[f.colFlags];
  if (f.colExtraFlags != 0) col.extraFlags = d[f.colExtraFlags];
  if (col.type == ColumnType::kNumeric) {
    col.precision = d[f.colPrecision];
    col.scale = d[f.colScale];
  }
  if (col.type == ColumnType::kText || col.type == ColumnType::kMemo) {
    col.sortOrder = u16(d, f.colSortOrder);
    if (f.colSortVersion != 0) col.sortOrderVersion = d[f.colSortVersion];
    if (f.colCodePage != 0) col.codePage = u16(d, f.colCodePage);
  }
  return col;
}

IndexDef readPhysicalIndex(const Format& f, Cursor in, std::uint32_t number) {
  IndexDef ix;
  ix.number = number;
  in.skip(f.physicalIndexSkip);
  for (std::size_t n = 0; n < kIndexColumnSlots; ++n) {
    std::uint16_t col = in.u16v();
    std::uint8_t flags = in.u8v();
    if (col != kUnusedColumn) ix.columns.push_back({col, (flags & 0x01) != 0});
  }
  ix.usageMapRow = in.u32v();
  ix.rootPage = in.u32v();
  in.skip(f.physicalIndexFlagsSkip);
  ix.flags = in.u8v();
  return ix;
}

LogicalIndexDef readLogicalIndex(const Format& f, Cursor in) {
  LogicalIndexDef ix;
  in.skip(f.logicalIndexSkip);
  ix.number = in.u32v();
  ix.physicalIndex = in.u32v();
  in.skip(1 + 4);  // type of the related index, its number
  std::uint32_t relTable = in.u32v();
  std::uint8_t cascadeUpdates = in.u8v();
  std::uint8_t cascadeDeletes = in.u8v();
  ix.type = in.u8v();
  if (ix.type == 2) {
    ix.relatedTable = static_cast<std::int32_t>(relTable);
    ix.relFlags =
        static_cast<std::uint8_t>((cascadeUpdates ? 0x01 : 0) | (cascadeDeletes ? 0x02 : 0));
  }
  return ix;
}

Status readHeaderFields(Context& c, Bytes def, TableDef& t, std::uint16_t& columns,
                        std::uint32_t& logical, std::uint32_t& physical) {
  if (!inBounds(def, 0, c.f.tdefBlocks)) return c.error("is too short");
  t.rowCount = u32(def, c.f.tdefRowCount);
  t.tableType = def[c.f.tdefTableType];
  t.maxColumns = u16(def, c.f.tdefMaxColumns);
  t.varColumnCount = u16(def, c.f.tdefVarColumns);
  columns = u16(def, c.f.tdefColumns);
  logical = u32(def, c.f.tdefLogicalIndexes);
  physical = u32(def, c.f.tdefPhysicalIndexes);
  t.ownedMap = u32(def, c.f.tdefOwnedMap);
  t.freeMap = u32(def, c.f.tdefFreeMap);
  if (columns > kMaxColumns || logical > kMaxIndexes || physical > kMaxIndexes) {
    return c.error("claims " + std::to_string(columns) + " columns and " + std::to_string(logical) +
                   " indexes");
  }
  return {};
}

Status readColumns(Context& c, Cursor& in, std::uint16_t count, TableDef& t) {
  for (std::uint16_t n = 0; n < count; ++n) {
    if (!in.has(c.f.columnSize)) return c.error("ends inside its column list");
    t.columns.push_back(readColumn(c.f, in.take(c.f.columnSize)));
  }
  for (Column& col : t.columns) {
    JET_ASSIGN_OR_RETURN(col.name, readName(c, in));
  }
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const Column& a, const Column& b) { return a.number < b.number; });
  return {};
}

Status readIndexes(Context& c, Cursor& in, std::uint32_t logical, std::uint32_t physical,
                   TableDef& t) {
  for (std::uint32_t n = 0; n < physical; ++n) {
    if (!in.has(c.f.physicalIndexSize)) return c.error("ends inside its index list");
    t.indexes.push_back(readPhysicalIndex(c.f, in, n));
    in.skip(c.f.physicalIndexSize);
  }
  for (std::uint32_t n = 0; n < logical; ++n) {
    if (!in.has(c.f.logicalIndexSize)) return c.error("ends inside its index list");
    t.logicalIndexes.push_back(readLogicalIndex(c.f, in));
    in.skip(c.f.logicalIndexSize);
  }
  for (LogicalIndexDef& ix : t.logicalIndexes) {
    JET_ASSIGN_OR_RETURN(ix.name, readName(c, in));
  }
  return {};
}

void readLongValueMaps(Cursor& in, TableDef& t) {
  while (in.has(2)) {
    std::uint16_t col = in.u16v();
    if (col == kUnusedColumn || !in.has(8)) break;
    LongValueMaps m;
    m.columnNumber = col;
    m.ownedMap = in.u32v();
    m.freeMap = in.u32v();
    t.longValueMaps.push_back(m);
    if (t.longValueMaps.size() > kMaxColumns) break;
  }
}

// ---- Building

constexpr std::uint32_t kMagicTableNumber = 1625;  // constant in every Access-made definition
constexpr std::size_t kFreeSpace = 2;              // u16 bytes left free on the page
constexpr std::size_t kDefinitionLength = 8;
constexpr std::size_t kLongValueMapSize = 10;
constexpr std::size_t kTerminatorSize = 2;
constexpr std::size_t kPageTrailer = 8;            // kept free at the end of a definition page
constexpr std::uint32_t kMagicIndexNumber = 1923;  // opens every real-index block
constexpr std::uint8_t kAscendingColumn = 0x01;
constexpr std::uint32_t kNoRelatedIndex = 0xFFFFFFFF;
// Access writes 04 in both cascade bytes of an index that belongs to no relationship.
constexpr std::uint8_t kNoRelationship = 0x04;

constexpr std::uint16_t kGeneralSortOrder = 1033;

bool isVariable(ColumnType type) { return type == ColumnType::kText || type == ColumnType::kMemo; }

// The width of a fixed column new tables can have; 0 for the other types.
std::uint16_t fixedBytes(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kSingle:
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return static_cast<std::uint16_t>(fixedSize(type, 0));
    default:
      return 0;
  }
}

Error badInput(const std::string& text) { return Error{err::kUnsupported, text}; }

Status checkColumn(const std::string& table, const ColumnSpec& spec) {
  JET_TRY(checkObjectName(spec.name, "column in table \"" + table + "\""));
  if (!creatableType(spec.type)) {
    return badInput("Column \"" + spec.name + "\" of table \"" + table + "\": type " +
                    std::string(columnTypeName(spec.type)) + " cannot be created.");
  }
  if (spec.type == ColumnType::kText && (spec.length < 1 || spec.length > 255)) {
    return badInput("Column \"" + spec.name + "\" of table \"" + table +
                    "\": a text column holds 1 to 255 characters, not " +
                    std::to_string(spec.length) + ".");
  }
  return {};
}

void writeColumn(std::span<std::uint8_t> d, const Column& c, const Format& f) {
  put8(d, 0, static_cast<std::uint8_t>(c.type));
  put32(d, f.colMagic, kMagicTableNumber);
  put16(d, f.colNumber, c.number);
  put16(d, f.colVarIndex, c.varIndex);
  put16(d, f.colNumberAgain, c.number);
  if (c.type == ColumnType::kNumeric) {
    put8(d, f.colPrecision, c.precision);
    put8(d, f.colScale, c.scale);
  } else {
    put16(d, f.colSortOrder, c.sortOrder);
    put8(d, f.colSortVersion, c.sortOrderVersion);
  }
  put8(d, f.colFlags, c.flags);
  put8(d, f.colExtraFlags, c.extraFlags);
  put16(d, f.colFixedOffset, c.fixed() ? c.fixedOffset : 0);
  put16(d, f.colLength, c.length);
}

// Real index: magic (in the bytes the reader skips), 10 column slots (u16 number, u8 0x01
// ascending), usage-map pointer, root page, skipped bytes, flags; zeros to the end.
void writePhysicalIndex(std::span<std::uint8_t> d, const IndexDef& ix, const Format& f) {
  put32(d, 0, kMagicIndexNumber);
  std::size_t at = f.physicalIndexSkip;
  for (std::size_t slot = 0; slot < kIndexColumnSlots; ++slot, at += 3) {
    bool used = slot < ix.columns.size();
    put16(d, at, used ? ix.columns[slot].columnNumber : kUnusedColumn);
    put8(d, at + 2, used && ix.columns[slot].ascending ? kAscendingColumn : 0);
  }
  put32(d, at, ix.usageMapRow);
  put32(d, at + 4, ix.rootPage);
  put8(d, at + 8 + f.physicalIndexFlagsSkip, ix.flags);
}

// Logical index: magic (in the skipped bytes), number, real index, no related index type, index
// or table, the cascade bytes as Access writes them outside a relationship, type.
void writeLogicalIndex(std::span<std::uint8_t> d, const LogicalIndexDef& ix, const Format& f) {
  put32(d, 0, kMagicTableNumber);
  const std::size_t at = f.logicalIndexSkip;
  put32(d, at, ix.number);
  put32(d, at + 4, ix.physicalIndex);
  put32(d, at + 9, kNoRelatedIndex);
  put8(d, at + 17, kNoRelationship);
  put8(d, at + 18, kNoRelationship);
  put8(d, at + 19, ix.type);
}

}  // namespace

Result<TableDef> readTableDef(const PageReader& pages, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage) {
  TableDefPageReader read = [&pages](std::uint32_t number,
                                     std::vector<std::uint8_t>& out) -> Status {
    JET_ASSIGN_OR_RETURN(PagePtr p, pages.page(number));
    out.assign(p->begin(), p->end());
    return Status::success();
  };
  return readTableDef(read, f, page, name, codePage, pages.path());
}

Result<TableDef> readTableDef(const TableDefPageReader& read, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage,
                              const std::string& file) {
  Context c{read, f, name, page, codePage, file};
  TableDef t;
  t.name = name;
  t.tdefPage = page;
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> def, readChain(c, t.tdefPages));
  std::uint16_t columns = 0;
  std::uint32_t logical = 0, physical = 0;
  JET_TRY(readHeaderFields(c, def, t, columns, logical, physical));
  Cursor in(def, f.tdefBlocks + physical * f.physicalCountBlock);
  if (!in.has(0)) return c.error("is too short");
  JET_TRY(readColumns(c, in, columns, t));
  JET_TRY(readIndexes(c, in, logical, physical, t));
  if (!f.jet3) readLongValueMaps(in, t);
  return t;
}


// ---- Editing

std::uint32_t tableDefRowCount(std::span<const std::uint8_t> page, const Format& f) {
  return u32(page, f.tdefRowCount);
}

void setTableDefRowCount(std::span<std::uint8_t> page, const Format& f, std::uint32_t rows) {
  put32(page, f.tdefRowCount, rows);
}

std::size_t uniqueEntryCountOffset(const Format& f, std::uint32_t index) {
  return f.tdefBlocks + f.physicalCountBlock * index + kCountBlockUniqueKeys;
}

std::optional<std::uint32_t> readUniqueEntryCount(std::span<const std::uint8_t> page,
                                                  const Format& f, std::uint32_t index) {
  std::uint32_t count = 0;
  if (!readU32(page, uniqueEntryCountOffset(f, index), count)) return std::nullopt;
  return count;
}

bool addToUniqueEntryCount(std::span<std::uint8_t> page, const Format& f, std::uint32_t index,
                           std::uint32_t by) {
  auto count = readUniqueEntryCount(page, f, index);
  if (!count) return false;
  put32(page, uniqueEntryCountOffset(f, index), *count + by);
  return true;
}

void setIndexCounts(std::span<std::uint8_t> page, const Format& f, std::uint32_t index,
                    std::uint32_t entries, std::uint32_t distinctKeys) {
  const std::size_t block = f.tdefBlocks + f.physicalCountBlock * index;
  put32(page, block + kCountBlockEntries, entries);
  put32(page, block + kCountBlockUniqueKeys, distinctKeys);
}

// ---- Building

bool creatableType(ColumnType type) {
  return type == ColumnType::kBoolean || fixedBytes(type) != 0 || isVariable(type);
}

Status checkObjectName(const std::string& name, const std::string& what) {
  std::size_t units = utf16Length(name);
  if (units == 0 || units > kMaxNameLength) {
    return badInput("The " + what + " name \"" + name + "\" must have 1 to 64 characters.");
  }
  if (name.front() == ' ') {
    return badInput("The " + what + " name \"" + name + "\" must not begin with a space.");
  }
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') {
      return badInput("The " + what + " name \"" + name +
                      "\" must not hold control characters or any of . ! ` [ ].");
    }
  }
  return {};
}

Result<TableDef> layoutTable(const std::string& tableName, const std::vector<ColumnSpec>& columns) {
  JET_TRY(checkObjectName(tableName, "table"));
  if (columns.empty() || columns.size() > kMaxNewColumns) {
    return badInput("Table \"" + tableName + "\" needs 1 to 255 columns, not " +
                    std::to_string(columns.size()) + ".");
  }
  std::set<std::string> seen;
  for (const ColumnSpec& spec : columns) {
    JET_TRY(checkColumn(tableName, spec));
    if (!seen.insert(foldCase(spec.name)).second) {
      return badInput("Table \"" + tableName + "\" names column \"" + spec.name + "\" twice.");
    }
  }
  std::uint16_t texts = static_cast<std::uint16_t>(
      std::count_if(columns.begin(), columns.end(),
                    [](const ColumnSpec& c) { return c.type == ColumnType::kText; }));
  std::uint16_t nextText = 0;
  std::uint16_t nextMemo = texts;
  std::uint16_t nextFixed = 0;

  TableDef def;
  def.name = tableName;
  def.tableType = kTableTypeUser;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnSpec& spec = columns[i];
    Column col;
    col.name = spec.name;
    col.type = spec.type;
    col.number = static_cast<std::uint16_t>(i);
    col.flags = kColumnUpdatable;
    col.sortOrder = kGeneralSortOrder;  // Access records it on every column, not only texts
    if (isVariable(spec.type)) {
      col.varIndex = spec.type == ColumnType::kText ? nextText++ : nextMemo++;
      col.length = spec.type == ColumnType::kText ? static_cast<std::uint16_t>(spec.length * 2) : 0;
      col.extraFlags = kColumnCompressedUnicode;
    } else {
      col.flags |= kColumnFixed;
      col.varIndex = nextText;  // as Access does: the variable slot that comes next
      col.length = spec.type == ColumnType::kBoolean ? 1 : fixedBytes(spec.type);
      col.fixedOffset = spec.type == ColumnType::kBoolean ? 0 : nextFixed;
      nextFixed = static_cast<std::uint16_t>(nextFixed + fixedBytes(spec.type));
    }
    def.columns.push_back(col);
  }
  def.maxColumns = static_cast<std::uint16_t>(def.columns.size());
  def.varColumnCount = nextMemo;
  return def;
}



Result<std::vector<std::uint8_t>> writeTableDef(const TableDef& table, const Format& f,
                                                std::uint32_t rowCount) {
  if (f.jet3) {
    return Error{err::kUnsupported, "Tables can only be created in Jet4 and ACE files."};
  }
  std::vector<std::vector<std::uint8_t>> names, indexNames;
  std::size_t total = f.tdefBlocks + f.columnSize * table.columns.size() +
                      (f.physicalCountBlock + f.physicalIndexSize) * table.indexes.size() +
                      f.logicalIndexSize * table.logicalIndexes.size() +
                      kLongValueMapSize * table.longValueMaps.size() + kTerminatorSize;
  for (const Column& c : table.columns) {
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> name, encodeUcs2(c.name));
    total += f.nameLengthSize + name.size();
    names.push_back(std::move(name));
  }
  for (const LogicalIndexDef& ix : table.logicalIndexes) {
    JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> name, encodeUcs2(ix.name));
    total += f.nameLengthSize + name.size();
    indexNames.push_back(std::move(name));
  }
  if (total + kPageTrailer > f.pageSize) {
    return Error{err::kUnsupported, "The definition of table \"" + table.name +
                                        "\" does not fit on one page: use fewer or shorter "
                                        "column or index names, or fewer indexes."};
  }
  std::vector<std::uint8_t> page(f.pageSize, 0);
  put8(page, 0, kPageTypeTableDef);
  put8(page, 1, 0x01);
  put16(page, kFreeSpace, static_cast<std::uint16_t>(f.pageSize - total - kPageTrailer));
  put32(page, kNextPage, 0);
  put32(page, kDefinitionLength, static_cast<std::uint32_t>(total));
  put32(page, f.tdefMagic, kMagicTableNumber);
  put32(page, f.tdefRowCount, rowCount);
  put8(page, f.tdefAutonumberFlag, 1);
  put8(page, f.tdefTableType, table.tableType);
  std::uint16_t columns = static_cast<std::uint16_t>(table.columns.size());
  std::uint16_t variable = 0;
  for (const Column& c : table.columns)
    variable = static_cast<std::uint16_t>(variable + !c.fixed());
  put16(page, f.tdefMaxColumns, columns);
  put16(page, f.tdefVarColumns, variable);
  put16(page, f.tdefColumns, columns);
  put32(page, f.tdefLogicalIndexes, static_cast<std::uint32_t>(table.logicalIndexes.size()));
  put32(page, f.tdefPhysicalIndexes, static_cast<std::uint32_t>(table.indexes.size()));
  put32(page, f.tdefOwnedMap, table.ownedMap);
  put32(page, f.tdefFreeMap, table.freeMap);

  // One count block per real index (unique-entry count at +4, advisory): left zero.
  std::size_t at = f.tdefBlocks + f.physicalCountBlock * table.indexes.size();
  for (const Column& c : table.columns) {
    writeColumn(std::span(page).subspan(at, f.columnSize), c, f);
    at += f.columnSize;
  }
  auto putNames = [&](const std::vector<std::vector<std::uint8_t>>& list) {
    for (const std::vector<std::uint8_t>& name : list) {
      put16(page, at, static_cast<std::uint16_t>(name.size()));
      std::copy(name.begin(), name.end(), page.begin() + static_cast<std::ptrdiff_t>(at + 2));
      at += f.nameLengthSize + name.size();
    }
  };
  putNames(names);
  for (const IndexDef& ix : table.indexes) {
    writePhysicalIndex(std::span(page).subspan(at, f.physicalIndexSize), ix, f);
    at += f.physicalIndexSize;
  }
  for (const LogicalIndexDef& ix : table.logicalIndexes) {
    writeLogicalIndex(std::span(page).subspan(at, f.logicalIndexSize), ix, f);
    at += f.logicalIndexSize;
  }
  putNames(indexNames);
  for (const LongValueMaps& lv : table.longValueMaps) {
    put16(page, at, lv.columnNumber);
    put32(page, at + 2, lv.ownedMap);
    put32(page, at + 6, lv.freeMap);
    at += kLongValueMapSize;
  }
  put16(page, at, kUnusedColumn);  // ends the long-value maps
  return page;
}

}  // namespace jet
