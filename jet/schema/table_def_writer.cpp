// table_def_writer.cpp: serialises a new table's definition page. Layout:
// docs/format/new_table.md.
#include "jet/schema/table_def_writer.h"

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::uint32_t kMagicTableNumber = 1625;  // constant in every Access-made definition
constexpr std::size_t kNextPage = 4;
constexpr std::size_t kDefinitionLength = 8;
constexpr std::size_t kMagic = 12;
constexpr std::size_t kAutonumberFlag = 24;  // 1: autonumbering usable
constexpr std::size_t kColumnMagic = 1;
constexpr std::size_t kColumnNumberAgain = 9;
constexpr std::size_t kLongValueMapSize = 10;
constexpr std::size_t kTerminatorSize = 2;
constexpr std::size_t kPageTrailer = 8;            // kept free at the end of a definition page
constexpr std::uint32_t kMagicIndexNumber = 1923;  // opens every real-index block
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::uint16_t kUnusedSlot = 0xFFFF;
constexpr std::uint8_t kAscendingColumn = 0x01;
constexpr std::uint32_t kNoRelatedIndex = 0xFFFFFFFF;
// Access writes 04 in both cascade bytes of an index that belongs to no relationship.
constexpr std::uint8_t kNoRelationship = 0x04;

void writeColumn(std::span<std::uint8_t> d, const Column& c, const Format& f) {
  put8(d, 0, static_cast<std::uint8_t>(c.type));
  put32(d, kColumnMagic, kMagicTableNumber);
  put16(d, f.colNumber, c.number);
  put16(d, f.colVarIndex, c.varIndex);
  put16(d, kColumnNumberAgain, c.number);
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

// Real index (52 bytes): magic, 10 column slots (u16 number, u8 0x01 ascending), usage-map
// pointer, root page, 4 zero bytes, flags, 5 zero bytes.
void writePhysicalIndex(std::span<std::uint8_t> d, const IndexDef& ix) {
  put32(d, 0, kMagicIndexNumber);
  std::size_t at = 4;
  for (std::size_t slot = 0; slot < kIndexColumnSlots; ++slot, at += 3) {
    bool used = slot < ix.columns.size();
    put16(d, at, used ? ix.columns[slot].columnNumber : kUnusedSlot);
    put8(d, at + 2, used && ix.columns[slot].ascending ? kAscendingColumn : 0);
  }
  put32(d, at, ix.usageMapRow);
  put32(d, at + 4, ix.rootPage);
  put8(d, at + 12, ix.flags);
}

// Logical index (28 bytes): magic, number, real index, no related index or table, the cascade
// bytes as Access writes them outside a relationship, type.
void writeLogicalIndex(std::span<std::uint8_t> d, const LogicalIndexDef& ix) {
  put32(d, 0, kMagicTableNumber);
  put32(d, 4, ix.number);
  put32(d, 8, ix.physicalIndex);
  put32(d, 13, kNoRelatedIndex);
  put8(d, 21, kNoRelationship);
  put8(d, 22, kNoRelationship);
  put8(d, 23, ix.type);
}

}  // namespace

void setTableDefRowCount(std::vector<std::uint8_t>& page, const Format& f, std::uint32_t rows) {
  put32(page, f.tdefRowCount, rows);
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
  put8(page, 0, 0x02);
  put8(page, 1, 0x01);
  put16(page, 2, static_cast<std::uint16_t>(f.pageSize - total - kPageTrailer));
  put32(page, kNextPage, 0);
  put32(page, kDefinitionLength, static_cast<std::uint32_t>(total));
  put32(page, kMagic, kMagicTableNumber);
  put32(page, f.tdefRowCount, rowCount);
  put8(page, kAutonumberFlag, 1);
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
    writePhysicalIndex(std::span(page).subspan(at, f.physicalIndexSize), ix);
    at += f.physicalIndexSize;
  }
  for (const LogicalIndexDef& ix : table.logicalIndexes) {
    writeLogicalIndex(std::span(page).subspan(at, f.logicalIndexSize), ix);
    at += f.logicalIndexSize;
  }
  putNames(indexNames);
  for (const LongValueMaps& lv : table.longValueMaps) {
    put16(page, at, lv.columnNumber);
    put32(page, at + 2, lv.ownedMap);
    put32(page, at + 6, lv.freeMap);
    at += kLongValueMapSize;
  }
  put16(page, at, 0xFFFF);
  return page;
}

}  // namespace jet
