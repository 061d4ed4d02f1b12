// table_def.cpp: parsing of table definitions. Layout: docs/format/table_def.md.
#include "jet/schema/table_def.h"

#include <algorithm>
#include <unordered_set>

#include "jet/core/bytes.h"
#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kChainHeader = 8;   // type, 0x01, u16, u32 next page
constexpr std::size_t kMaxColumns = 256;  // the format cannot hold more
constexpr std::size_t kMaxIndexes = 1024;
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::uint16_t kUnusedColumn = 0xFFFF;

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
    p = u32(page, 4);
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

}  // namespace jet
