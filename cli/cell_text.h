// cell_text.h: one cell of a row as a JSON value or a CSV field, by the column's type. The text of
// dates, numbers and bytes comes from jet/core/value_format.h; this file picks the form per type.
#pragma once

#include <string>

#include "db/table_rows.h"  // jet::Column and jet::Value, as db/ hands them out

namespace cli {

// JSON: null; true/false; byte, integer, long and complex ids as numbers; big integers as strings;
// single and double as the shortest round-trip number; currency and decimal as exact numbers;
// dates as ISO 8601 strings; text, memo and GUID as strings; binary and OLE as lowercase hex
// strings. Numbers JSON cannot hold (NaN, infinities, malformed decimals) become strings.
std::string jsonCell(const jet::Column& column, const jet::Value& value);
void appendJsonCell(std::string& out, const jet::Column& column, const jet::Value& value);

// CSV: the same texts unquoted, quoted by RFC 4180 when needed; null is an empty field, an empty
// text is "" so the two stay apart.
std::string csvCell(const jet::Column& column, const jet::Value& value);
void appendCsvCell(std::string& out, const jet::Column& column, const jet::Value& value);

}  // namespace cli
