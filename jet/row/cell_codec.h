// cell_codec.h: one cell's stored bytes -> Value, by column type (numbers, currency, decimal,
// GUID, text, long values, calculated wrappers). The row codec finds the bytes; this decodes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "jet/core/bytes.h"
#include "jet/schema/schema.h"
#include "jet/core/status.h"

namespace jet {

class LongValueSource;

struct CellContext {
  bool jet3 = false;
  std::uint16_t codePage = 0;
  const LongValueSource& longValues;
};

// Bytes a fixed column of this type occupies; `declared` for types whose length the column gives.
std::size_t fixedSize(ColumnType type, std::uint16_t declared);

// Fills `v` (not null) from `raw`. Errors describe the value only.
Status decodeCell(const Column& col, Bytes raw, const CellContext& ctx, Value& v);

// Exact decimal text of a currency amount (scaled by 10,000): "12.3400", "-0.5000".
std::string currencyText(std::int64_t scaled);
// Exact decimal text of a stored decimal: sign byte then 16 magnitude bytes.
std::string numericText(Bytes stored, std::uint8_t scale);
// ISO 8601 text of a Date/Time Extended value as stored (ASCII fields of days and ticks).
std::string extendedDateText(Bytes stored);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from 16 stored bytes.
std::string guidText(Bytes stored);

}  // namespace jet
