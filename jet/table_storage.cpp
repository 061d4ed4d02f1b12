// table_storage.cpp: walks a table definition (Jet3 / Jet4+ offsets): header counters and map
// pointers, index blocks, column descriptors, names, index column blocks, logical indexes and the
// long-value column map list that ends it.
#include "jet/table_storage.h"

#include <span>

#include "jet/error_codes.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

struct Layout {
  std::size_t maxColumns, varColumns, columns, logicalIndexes, realIndexes, owned, free, blocks;
  std::size_t realIndexBlock, columnSize, colNumber, colVarIndex, colFlags, colExtraFlags,
      colFixedOffset, colLength, colSortOrder, colCodePage, indexColumnBlock, logicalBlock;
};

constexpr Layout kJet3{21, 23, 25, 27, 31, 35, 39, 43, 8, 18, 1, 3, 13, 0, 14, 16, 9, 11, 39, 20};
constexpr Layout kJet4{41, 43, 45, 47, 51, 55, 59, 63, 12, 25, 5, 7, 15, 16, 21, 23, 11, 0, 52, 28};

class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& b, std::size_t at) : b_(b), at_(at) {}
  bool has(std::size_t n) const { return at_ <= b_.size() && n <= b_.size() - at_; }
  std::size_t at() const { return at_; }
  void skip(std::size_t n) { at_ += n; }
  std::uint16_t u16() {
    auto v = static_cast<std::uint16_t>(b_[at_] | (b_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b_[at_ + i]) << (8 * i);
    at_ += 4;
    return v;
  }
  std::span<const std::uint8_t> bytes(std::size_t n) {
    auto s = std::span<const std::uint8_t>(b_).subspan(at_, n);
    at_ += n;
    return s;
  }

 private:
  const std::vector<std::uint8_t>& b_;
  std::size_t at_;
};

std::uint16_t at16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t at32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(at16(b, at)) |
         (static_cast<std::uint32_t>(at16(b, at + 2)) << 16);
}

Result<std::vector<std::uint8_t>> readChain(const PageCache& pages, std::uint32_t first,
                                            std::vector<std::uint32_t>& chain,
                                            const std::string& name) {
  std::vector<std::uint8_t> all;
  std::uint32_t page = first;
  while (page != 0) {
    if (chain.size() > 1000 || page >= pages.pageCount()) {
      return Error{err::kBadPage, "table " + name + ": its definition chain is damaged"};
    }
    JET_ASSIGN_OR_RETURN(Page p, pages.read(page));
    if (p[0] != 0x02) {
      return Error{err::kBadPage, "table " + name + ": page " + std::to_string(page) +
                                      " is not a table definition page"};
    }
    chain.push_back(page);
    all.insert(all.end(), p.begin() + (chain.size() == 1 ? 0 : 8), p.end());
    page = at32(p, 4);
  }
  return all;
}

bool readName(Cursor& c, bool jet3, std::string& out) {
  std::size_t length = 0;
  if (jet3) {
    if (!c.has(1)) return false;
    length = c.bytes(1)[0];
  } else {
    if (!c.has(2)) return false;
    length = c.u16();
  }
  if (!c.has(length)) return false;
  auto raw = c.bytes(length);
  out = jet3 ? std::string(raw.begin(), raw.end()) : decodeUcs2Text(raw);
  return true;
}

Column readColumn(const std::vector<std::uint8_t>& b, std::size_t at, const Layout& l, bool jet3) {
  Column c;
  c.type = static_cast<ColumnType>(b[at]);
  c.number = at16(b, at + l.colNumber);
  c.varIndex = at16(b, at + l.colVarIndex);
  c.flags = b[at + l.colFlags];
  c.extraFlags = jet3 ? 0 : b[at + l.colExtraFlags];
  c.fixedOffset = at16(b, at + l.colFixedOffset);
  c.length = at16(b, at + l.colLength);
  c.sortOrder = at16(b, at + l.colSortOrder);
  if (jet3) c.codePage = at16(b, at + l.colCodePage);
  return c;
}

}  // namespace

bool TableStorage::hasVariableColumns() const { return variableColumns > 0; }

TableStorage tableStorageFrom(const TableDef& def) {
  TableStorage out;
  out.def = def;
  out.chain = def.tdefPages;
  out.maxColumns = def.maxColumns;
  out.variableColumns = def.varColumnCount;
  out.owned = MapRef::fromPointer(def.ownedMap);
  out.free = MapRef::fromPointer(def.freeMap);
  for (const auto& maps : def.longValueMaps) {
    out.longValueMaps[maps.columnNumber] =
        LongValueColumnMaps{MapRef::fromPointer(maps.ownedMap), MapRef::fromPointer(maps.freeMap)};
  }
  return out;
}

Result<TableStorage> readTableStorage(const PageCache& pages, std::uint32_t tdefPage, bool jet3,
                                      const std::string& name) {
  const Layout& l = jet3 ? kJet3 : kJet4;
  TableStorage out;
  JET_ASSIGN_OR_RETURN(auto b, readChain(pages, tdefPage, out.chain, name));
  Error damaged{err::kBadPage, "table " + name + ": its definition is damaged"};
  if (b.size() < l.blocks) return damaged;
  out.def.name = name;
  out.def.tdefPage = tdefPage;
  out.def.rowCount = at32(b, jet3 ? 12 : 16);
  out.def.tableType = b[jet3 ? 20 : 40];
  out.maxColumns = at16(b, l.maxColumns);
  out.variableColumns = at16(b, l.varColumns);
  std::uint16_t columnCount = at16(b, l.columns);
  std::uint32_t logicalCount = at32(b, l.logicalIndexes);
  std::uint32_t realCount = at32(b, l.realIndexes);
  out.owned = MapRef::fromPointer(at32(b, l.owned));
  out.free = MapRef::fromPointer(at32(b, l.free));
  if (realCount > 1000 || logicalCount > 1000) return damaged;
  Cursor c(b, l.blocks + realCount * l.realIndexBlock);
  if (!c.has(std::size_t{columnCount} * l.columnSize)) return damaged;
  for (std::size_t i = 0; i < columnCount; ++i) {
    out.def.columns.push_back(readColumn(b, c.at() + i * l.columnSize, l, jet3));
  }
  c.skip(std::size_t{columnCount} * l.columnSize);
  for (auto& col : out.def.columns) {
    if (!readName(c, jet3, col.name)) return damaged;
  }
  for (std::uint32_t i = 0; i < realCount; ++i) {
    if (!c.has(l.indexColumnBlock)) return damaged;
    IndexDef index;
    index.number = i;
    Cursor block(b, c.at() + (jet3 ? 0 : 4));
    for (int k = 0; k < 10; ++k) {
      std::uint16_t number = block.u16();
      std::uint8_t order = block.bytes(1)[0];
      if (number != 0xFFFF) index.columns.push_back(IndexColumn{number, order != 0x02});
    }
    index.usageMapRow = block.u32();
    index.rootPage = block.u32();
    if (!jet3) block.skip(4);
    index.flags = block.bytes(1)[0];
    out.def.indexes.push_back(index);
    c.skip(l.indexColumnBlock);
  }
  if (!c.has(std::size_t{logicalCount} * l.logicalBlock)) return damaged;
  for (std::uint32_t i = 0; i < logicalCount; ++i) {
    Cursor block(b, c.at() + (jet3 ? 0 : 4));
    LogicalIndexDef logical;
    logical.number = block.u32();
    logical.physicalIndex = block.u32();
    block.skip(5);  // the related index's type and number
    std::uint32_t related = block.u32();
    std::uint8_t cascadeUpdates = block.bytes(1)[0];
    std::uint8_t cascadeDeletes = block.bytes(1)[0];
    logical.type = block.bytes(1)[0];
    if (logical.type == 2) {
      logical.relatedTable = static_cast<std::int32_t>(related);
      logical.relFlags = static_cast<std::uint8_t>((cascadeUpdates ? 0x01 : 0) | (cascadeDeletes ? 0x02 : 0));
    }
    out.def.logicalIndexes.push_back(logical);
    c.skip(l.logicalBlock);
  }
  for (auto& logical : out.def.logicalIndexes) {
    if (!readName(c, jet3, logical.name)) return damaged;
  }
  while (!jet3 && c.has(2)) {
    std::uint16_t number = c.u16();
    if (number == 0xFFFF || !c.has(8)) break;
    LongValueColumnMaps maps;
    maps.owned = MapRef::fromPointer(c.u32());
    maps.free = MapRef::fromPointer(c.u32());
    out.longValueMaps[number] = maps;
  }
  return out;
}

}  // namespace jet
