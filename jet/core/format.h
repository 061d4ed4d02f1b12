// format.h: the offsets and sizes that differ between file versions, in one table, so that no
// other file holds a version-specific magic number. Layouts: docs/format/*.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jet/core/types.h"

namespace jet {

// Page types: byte 0 of every page but the header.
inline constexpr std::uint8_t kPageTypeData = 0x01;
inline constexpr std::uint8_t kPageTypeTableDef = 0x02;
inline constexpr std::uint8_t kPageTypeIndexNode = 0x03;
inline constexpr std::uint8_t kPageTypeIndexLeaf = 0x04;
inline constexpr std::uint8_t kPageTypeUsageBitmap = 0x05;

struct Format {
  bool jet3 = false;
  std::uint32_t pageSize = 4096;
  // Header page (docs/format/header.md).
  std::size_t headerMaskLength = 128;
  std::size_t passwordLength = 40;
  // Data pages (docs/format/data_page.md).
  std::size_t dataRowCount = 12;
  std::size_t dataRowTable = 14;
  std::size_t rowColumnCountSize = 2;  // also the size of the variable count and offsets
  // Table definition (docs/format/table_def.md).
  std::size_t tdefRowCount = 16;
  std::size_t tdefTableType = 40;
  std::size_t tdefMaxColumns = 41;
  std::size_t tdefVarColumns = 43;
  std::size_t tdefColumns = 45;
  std::size_t tdefLogicalIndexes = 47;
  std::size_t tdefPhysicalIndexes = 51;
  std::size_t tdefOwnedMap = 55;
  std::size_t tdefFreeMap = 59;
  std::size_t tdefBlocks = 63;
  std::size_t physicalCountBlock = 12;
  // Fields only the definitions this engine builds (Jet4+) carry: 0 in the Jet3 table.
  std::size_t tdefMagic = 12;           // u32 1625
  std::size_t tdefAutonumberFlag = 24;  // u8 1: autonumbering usable
  // Column descriptor.
  std::size_t columnSize = 25;
  std::size_t colNumber = 5;
  std::size_t colVarIndex = 7;
  std::size_t colSortOrder = 11;
  std::size_t colSortVersion = 14;  // 0: none (Jet3)
  std::size_t colCodePage = 0;      // 0: none (Jet4+)
  std::size_t colPrecision = 11;
  std::size_t colScale = 12;
  std::size_t colFlags = 15;
  std::size_t colExtraFlags = 16;  // 0: none (Jet3)
  std::size_t colFixedOffset = 21;
  std::size_t colLength = 23;
  std::size_t nameLengthSize = 2;
  std::size_t colMagic = 1;         // u32 1625 (0: not built for Jet3)
  std::size_t colNumberAgain = 9;   // u16 column number once more (0: not built for Jet3)
  // Index blocks.
  std::size_t physicalIndexSize = 52;
  std::size_t physicalIndexSkip = 4;       // before the column list
  std::size_t physicalIndexFlagsSkip = 4;  // between root page and flags
  std::size_t logicalIndexSize = 28;
  std::size_t logicalIndexSkip = 4;
  // Index pages (docs/format/indexes.md).
  std::size_t indexPrevPage = 12;       // u32 previous page at this level
  std::size_t indexNextPage = 16;       // u32 next page at this level
  std::size_t indexChildTail = 20;      // u32 last child of a node page
  std::size_t indexPrefixLength = 24;   // bytes shared by every entry of the page
  std::size_t indexPrefixLengthSize = 2;
  std::size_t indexEntryMask = 27;      // bitmask: bit n set = an entry ends at byte n
  std::size_t indexEntryMaskSize = 453;
  std::size_t indexEntriesStart = 0x1E0;
  // Rows and long values.
  std::size_t maxRowSize = 4060;          // the largest row a data page takes
  std::size_t maxSingleLongValue = 4076;  // the largest long-value row
};

inline constexpr Format kFormatJet3 = {
    .jet3 = true,
    .pageSize = 2048,
    .headerMaskLength = 126,
    .passwordLength = 20,
    .dataRowCount = 8,
    .dataRowTable = 10,
    .rowColumnCountSize = 1,
    .tdefRowCount = 12,
    .tdefTableType = 20,
    .tdefMaxColumns = 21,
    .tdefVarColumns = 23,
    .tdefColumns = 25,
    .tdefLogicalIndexes = 27,
    .tdefPhysicalIndexes = 31,
    .tdefOwnedMap = 35,
    .tdefFreeMap = 39,
    .tdefBlocks = 43,
    .physicalCountBlock = 8,
    .tdefMagic = 0,
    .tdefAutonumberFlag = 0,
    .columnSize = 18,
    .colNumber = 1,
    .colVarIndex = 3,
    .colSortOrder = 9,
    .colSortVersion = 0,
    .colCodePage = 11,
    .colPrecision = 11,
    .colScale = 12,
    .colFlags = 13,
    .colExtraFlags = 0,
    .colFixedOffset = 14,
    .colLength = 16,
    .nameLengthSize = 1,
    .colMagic = 0,
    .colNumberAgain = 0,
    .physicalIndexSize = 39,
    .physicalIndexSkip = 0,
    .physicalIndexFlagsSkip = 0,
    .logicalIndexSize = 20,
    .logicalIndexSkip = 0,
    // Jet3 keeps a one-byte prefix length; the byte after it is not part of it (often 01).
    .indexPrevPage = 8,
    .indexNextPage = 12,
    .indexChildTail = 16,
    .indexPrefixLength = 20,
    .indexPrefixLengthSize = 1,
    .indexEntryMask = 22,
    .indexEntryMaskSize = 226,
    .indexEntriesStart = 0xF8,
    .maxRowSize = 2012,
    .maxSingleLongValue = 2032,
};

inline constexpr Format kFormatJet4 = {};

inline const Format& formatFor(Version v) {
  return v == Version::kJet3 ? kFormatJet3 : kFormatJet4;
}

// No version has larger pages: this much of a file holds its header page whatever the version.
inline constexpr std::uint32_t kLargestPageSize = 4096;

// The format whose pages are `pageSize` bytes, for pages read without a header.
inline const Format& formatForPageSize(std::uint32_t pageSize) {
  return pageSize == kFormatJet3.pageSize ? kFormatJet3 : kFormatJet4;
}

// Layouts that are the same in every version.

// Data and bitmap pages hold 1 in byte 1 (the page types are at the top of this file).
inline constexpr std::uint8_t kPageSecondByte = 0x01;

// Data pages (docs/format/data_page.md); the row count and row table are in Format.
inline constexpr std::size_t kDataFreeSpace = 2;  // u16
inline constexpr std::size_t kDataOwner = 4;      // u32 definition page, or "LVAL"
inline constexpr std::size_t kMaxRowsPerPage = 255;
// Row table entries: the row's start in the page, and its flags.
inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowOverflow = 0x4000;
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

// Usage maps (docs/format/usage_map.md): a row whose first byte gives the kind.
inline constexpr std::uint32_t kGlobalUsageMapPage = 1;  // row 0; a set bit marks a free page
inline constexpr std::uint8_t kUsageMapInline = 0;
inline constexpr std::uint8_t kUsageMapReference = 1;
inline constexpr std::size_t kInlineMapStart = 1;      // u32: the page of bit 0
inline constexpr std::size_t kInlineMapBitmap = 5;
inline constexpr std::size_t kReferenceMapPages = 1;   // u32 bitmap page numbers from here
inline constexpr std::size_t kBitmapPageBitmap = 4;    // where a bitmap page's bits start
inline constexpr std::size_t kUsageMapRowSize = 69;    // the rows of new maps: 64-byte bitmaps
inline constexpr std::uint32_t kGlobalMapGrowth = 512;  // pages the global map's row grows by

}  // namespace jet
