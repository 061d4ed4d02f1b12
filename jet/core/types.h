// types.h: the engine's public vocabulary: file versions, column types and their widths, cell
// values and row locators. Decoding and encoding live in the row and cell codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Byte 0x14 of the header page.
enum class Version : std::uint8_t {
  kJet3 = 0,   // Access 97, 2 KB pages
  kJet4 = 1,   // Access 2000-2003
  kAce12 = 2,  // Access 2007
  kAce14 = 3,  // Access 2010 and 2013
  kAce15 = 4,
  kAce16 = 5,  // Access 2016
  kAce17 = 6,  // Access 2019 (Date/Time Extended)
};

std::string_view versionName(Version v);  // "Jet3", "Jet4", "ACE12", ...

// The type byte of a column descriptor.
enum class ColumnType : std::uint8_t {
  kBoolean = 0x01,
  kByte = 0x02,
  kInteger = 0x03,   // 16-bit
  kLong = 0x04,      // 32-bit
  kCurrency = 0x05,  // 64-bit, scaled by 10,000
  kSingle = 0x06,
  kDouble = 0x07,
  kDateTime = 0x08,  // double, days since 1899-12-30
  kBinary = 0x09,
  kText = 0x0A,
  kOle = 0x0B,
  kMemo = 0x0C,
  kUnknown0D = 0x0D,
  kGuid = 0x0F,
  kNumeric = 0x10,  // decimal: precision, scale, 17 bytes
  kUnknown11 = 0x11,
  kComplex = 0x12,       // id into hidden tables (attachments, multi-value)
  kBigInt = 0x13,        // 64-bit (ACE16+)
  kDateTimeExt = 0x14,   // Date/Time Extended (ACE17)
};

std::string_view columnTypeName(ColumnType t);  // "text", "memo", "long", ...

// Bytes a fixed column of this type takes in a row's fixed area: the type's own width, or
// `declared` (the column's length) for types without one (fixed-length text, binary). Yes/No
// columns take none: they live in the null mask.
constexpr std::size_t fixedSize(ColumnType type, std::uint16_t declared) {
  switch (type) {
    case ColumnType::kBoolean:
      return 0;
    case ColumnType::kByte:
      return 1;
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
    case ColumnType::kComplex:
      return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
    case ColumnType::kBigInt:
      return 8;
    case ColumnType::kGuid:
      return 16;
    case ColumnType::kNumeric:
      return 17;  // sign byte, then four 32-bit words
    default:
      return declared;
  }
}

using ByteVector = std::vector<std::uint8_t>;

// Which member of Value carries the cell, by column type:
//   null                      -> isNull
//   boolean                   -> boolean
//   byte, integer, long,      -> integer
//   big integer, complex id
//   currency                  -> integer (scaled by 10,000) and text (exact decimal, e.g. "12.3400")
//   single, double            -> real
//   date/time                 -> real (days since 1899-12-30) and text (ISO 8601, see value_format.h)
//   date/time extended        -> text (ISO 8601)
//   numeric (decimal)         -> text (exact decimal, e.g. "-12.345")
//   text, memo                -> text (UTF-8)
//   binary, OLE               -> bytes
//   GUID                      -> text ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}")
// Calculated columns give the value of their result type.
struct Value {
  bool isNull = true;
  bool boolean = false;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string text;
  std::vector<std::uint8_t> bytes;
};

// Where a row lives: the page and slot of its header row. Stable for the life of the row: when a
// changed row no longer fits, its data moves but this slot stays and points at it.
struct RowLocator {
  std::uint32_t page = 0;
  std::uint16_t row = 0;
  friend bool operator==(const RowLocator&, const RowLocator&) = default;
};

}  // namespace jet
