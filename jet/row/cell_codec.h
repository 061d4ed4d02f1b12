// cell_codec.h: one cell's stored bytes <-> Value, by column type (numbers, currency, decimal,
// GUID, text, long values, calculated wrappers). The row codec finds a cell's bytes and places
// them; this reads and makes them. Errors describe the value only: callers name the column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/core/types.h"
#include "jet/schema/schema.h"

namespace jet {

class LongValueSource;

// Memo text is kept in the compressed form only up to this many characters, as Access does.
inline constexpr std::size_t kMaxCompressedMemoChars = 1024;

struct CellContext {
  const Format& format;
  std::uint16_t codePage = 0;  // Jet3 text
  const LongValueSource& longValues;
};

// Reading.

// Fills `v` (not null) from `raw`.
Status decodeCell(const Column& col, Bytes raw, const CellContext& ctx, Value& v);

// Exact decimal text of a currency amount (scaled by 10,000): "12.3400", "-0.5000".
std::string currencyText(std::int64_t scaled);
// Exact decimal text of a stored decimal: sign byte then 16 magnitude bytes.
std::string numericText(Bytes stored, std::uint8_t scale);
// ISO 8601 text of a Date/Time Extended value as stored (ASCII fields of days and ticks).
std::string extendedDateText(Bytes stored);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from 16 stored bytes.
std::string guidText(Bytes stored);

// Writing.

// The bytes a text or memo column stores for `utf8`: the column's code page (else `codePage`,
// the header's) in Jet3; in Jet4+ UCS-2, compressed where the column allows it and Access would
// compress. kDataOverflow when a text value is longer than the column allows (Jet3 sizes count
// bytes of the code page), kCantConvertValue when the text cannot be stored.
Result<ByteVector> encodeTextValue(const Column& col, std::string_view utf8, const Format& f,
                                   std::uint16_t codePage);

// The bytes of a variable cell before any long-value storage: text and memo as above, bytes for
// binary (at most the column's length) and OLE columns; kUnsupported for other types.
Result<ByteVector> encodeVariableCell(const Column& col, const Value& v, const Format& f,
                                      std::uint16_t codePage);

// Writes a fixed cell at the column's offset of `fixed` (byte, integer, long, currency, single,
// double, date/time). kDataOverflow for a number out of the type's range, kUnsupported for other
// types.
Status encodeFixedCell(std::span<std::uint8_t> fixed, const Column& col, const Value& v);

}  // namespace jet
