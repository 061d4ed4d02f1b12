// schema.h: what a database holds, as the engine describes it: catalogue entries, table
// definitions with their columns and indexes, and rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/types.h"

namespace jet {

// How ADO's table schema classifies an object.
enum class ObjectKind {
  kTable,        // "TABLE": a user table
  kSystemTable,  // "SYSTEM TABLE"
  kAccessTable,  // "ACCESS TABLE"
  kLink,         // "LINK": a table linked from another Access file
  kPassThrough,  // "PASS-THROUGH": a table linked through ODBC
  kView,         // "VIEW": a select query
  kOther,        // forms, reports, other queries...: not in the table schema
};

std::string_view objectKindText(ObjectKind k);  // "TABLE", "SYSTEM TABLE", ...; "" for kOther

struct CatalogEntry {
  std::string name;
  ObjectKind kind = ObjectKind::kOther;
  std::int32_t id = 0;          // MSysObjects Id; for local tables the definition page
  std::uint32_t tdefPage = 0;   // 0 when the object is not a local table
};

struct Column {
  std::string name;
  ColumnType type = ColumnType::kText;
  std::uint16_t number = 0;       // column number stored in rows
  std::uint16_t varIndex = 0;     // index in the variable-offset table (variable columns)
  std::uint16_t fixedOffset = 0;  // offset in the fixed area (fixed columns)
  std::uint16_t length = 0;       // bytes (text: bytes of UCS-2 for Jet4+, chars for Jet3)
  std::uint8_t flags = 0;         // 0x01 fixed length, 0x04 autonumber, ...
  std::uint8_t extraFlags = 0;    // Jet4+: 0x01 compressed unicode, 0xC0 calculated
  std::uint8_t precision = 0;     // numeric
  std::uint8_t scale = 0;         // numeric
  std::uint16_t sortOrder = 0;    // text: LCID / Jet3 sort id
  std::uint8_t sortOrderVersion = 0;
  std::uint16_t codePage = 0;     // Jet3 text
  bool fixed() const { return (flags & 0x01) != 0; }
  bool calculated() const { return (extraFlags & 0xC0) != 0; }
  bool compressedUnicode() const { return (extraFlags & 0x01) != 0; }
  ColumnType resultType = ColumnType::kText;  // calculated: the type of the result
};

struct IndexColumn {
  std::uint16_t columnNumber = 0;
  bool ascending = true;
};

// A physical index (several logical indexes may share one).
struct IndexDef {
  std::uint32_t number = 0;
  std::vector<IndexColumn> columns;
  std::uint32_t rootPage = 0;
  std::uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
  std::uint32_t usageMapRow = 0;  // pointer: row byte + 3-byte page
};

// A logical index as Access shows it.
struct LogicalIndexDef {
  std::string name;
  std::uint32_t number = 0;
  std::uint32_t physicalIndex = 0;
  std::uint8_t type = 0;  // 1 primary key, 2 foreign key
  std::int32_t relatedTable = -1;  // foreign keys: the other table's definition page
  std::uint8_t relFlags = 0;       // foreign keys: cascade update/delete, no enforcement
};

// The usage maps of one memo/OLE column (Jet4+): pointers, row byte + 3-byte page.
struct LongValueMaps {
  std::uint16_t columnNumber = 0;
  std::uint32_t ownedMap = 0;
  std::uint32_t freeMap = 0;
};

struct TableDef {
  std::string name;
  std::uint32_t tdefPage = 0;
  std::uint32_t rowCount = 0;      // as stored; may be stale in Access-made files
  std::uint8_t tableType = 0;      // 0x4E user, 0x53 system
  std::vector<Column> columns;     // in table order (by column index in the definition)
  std::vector<IndexDef> indexes;
  std::vector<LogicalIndexDef> logicalIndexes;
  // Layout facts the writer needs.
  std::uint16_t maxColumns = 0;      // column numbers a row may use, deleted columns included
  std::uint16_t varColumnCount = 0;  // variable-length columns
  std::uint32_t ownedMap = 0;        // usage-map pointers: row byte + 3-byte page
  std::uint32_t freeMap = 0;
  std::vector<LongValueMaps> longValueMaps;
  std::vector<std::uint32_t> tdefPages;  // the definition's page chain, first page first
};

struct Row {
  RowLocator locator;
  std::vector<Value> values;  // one per TableDef::columns entry
};

}  // namespace jet
