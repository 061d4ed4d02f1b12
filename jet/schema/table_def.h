// table_def.h: table definitions (type-2 page chains): columns, physical and logical indexes,
// the row shape counters, the usage-map pointers of the table and its long-value columns, and
// the per-index count blocks. Reads any definition (the reader and the writer alike), edits the
// counters of a stored one, and builds the definition of a new table: its columns laid out from
// what the caller asks for, then the page. Layouts: docs/format/table_def.md, new_table.md.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/core/types.h"
#include "jet/pager/page_codec.h"
#include "jet/schema/schema.h"

namespace jet {

// Column flags and extra flags as the definition stores them.
inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;
inline constexpr std::uint8_t kColumnCompressedUnicode = 0x01;  // extra flags

// Table types.
inline constexpr std::uint8_t kTableTypeUser = 0x4E;
inline constexpr std::uint8_t kTableTypeSystem = 0x53;

// Physical index flags.
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexAlwaysSet = 0x80;  // set on every index Access 2000+ writes

// Logical index types.
inline constexpr std::uint8_t kLogicalPrimaryKey = 1;
inline constexpr std::uint8_t kLogicalForeignKey = 2;

// ---- Reading

// Reads the definition whose chain starts at `page`. `name` is used in error messages and
// stored in the result; `codePage` decodes Jet3 names.
Result<TableDef> readTableDef(const PageReader& pages, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage);

// Reads one decoded page of a definition chain into `out`.
using TableDefPageReader =
    std::function<Status(std::uint32_t page, std::vector<std::uint8_t>& out)>;

// The same through `read` (the writer reads through its page cache); `file` names the file in
// errors, or is empty.
Result<TableDef> readTableDef(const TableDefPageReader& read, const Format& f, std::uint32_t page,
                              const std::string& name, std::uint16_t codePage,
                              const std::string& file);

// ---- Editing the first page of a stored definition

// The row count field.
std::uint32_t tableDefRowCount(std::span<const std::uint8_t> page, const Format& f);
void setTableDefRowCount(std::span<std::uint8_t> page, const Format& f, std::uint32_t rows);

// The count of distinct keys kept per physical index, in the count block after the header.
// Access only ever raises it: a key new to the index adds one, a key's last entry leaving takes
// none away. Where physical index `index`'s count lies:
std::size_t uniqueEntryCountOffset(const Format& f, std::uint32_t index);
// The count, or nullopt when the page is too short to hold it.
std::optional<std::uint32_t> readUniqueEntryCount(std::span<const std::uint8_t> page,
                                                  const Format& f, std::uint32_t index);
// Adds `by` to the count; false (page unchanged) when the page is too short to hold it.
bool addToUniqueEntryCount(std::span<std::uint8_t> page, const Format& f, std::uint32_t index,
                           std::uint32_t by);
// Both counts of a new index: its entries and its distinct keys. The page must hold the block.
void setIndexCounts(std::span<std::uint8_t> page, const Format& f, std::uint32_t index,
                    std::uint32_t entries, std::uint32_t distinctKeys);

// ---- Building a new table's definition

// A usage-map pointer as the file stores it: row number in the low byte, page above.
inline std::uint32_t mapPointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

// A column as the caller asks for it. `length` is the maximum number of characters of a text
// column (1-255); other types ignore it.
struct ColumnSpec {
  std::string name;
  ColumnType type = ColumnType::kText;
  std::uint16_t length = 255;
};

inline constexpr std::size_t kMaxNameLength = 64;  // characters of a table or column name
inline constexpr std::size_t kMaxNewColumns = 255;

// True for the types a new table may hold: boolean, byte, integer, long, currency, single,
// double, date/time, text and memo.
bool creatableType(ColumnType type);

// Checks a table or column name the way Access does (1-64 characters, no leading space, none of
// . ! ` [ ] and no control characters). `what` names the object in the error, e.g. "column".
Status checkObjectName(const std::string& name, const std::string& what);

// Lays the columns out in the order given: fixed columns get offsets in the fixed area (booleans
// live in the null mask), variable ones get their slot in the variable table, memos after texts.
// Text columns use the sort order General Legacy (LCID 1033, version 0) and compressed unicode.
// Errors name the table and the column at fault.
Result<TableDef> layoutTable(const std::string& tableName, const std::vector<ColumnSpec>& columns);

// The whole definition on one page of `f.pageSize` bytes, with the usage-map pointers of
// `table` (ownedMap, freeMap, longValueMaps in column order), its indexes (root pages and
// usage-map pointers set) and row count `rowCount`. A definition that needs more than one page
// (very many or very long names) is refused with kUnsupported, as is a Jet3 format.
Result<std::vector<std::uint8_t>> writeTableDef(const TableDef& table, const Format& f,
                                                std::uint32_t rowCount);

}  // namespace jet
