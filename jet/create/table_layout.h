// table_layout.h: the columns of a table this engine creates: which types it can create, and
// where each column lands (column number, variable-table index, fixed offset, flags, length).
// Writing the definition page is table_def_writer.h's job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

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

}  // namespace jet
