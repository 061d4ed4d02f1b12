// value_format.h: cell values as text: dates, currency, decimals, floating numbers and bytes.
// Pure functions, independent of the C locale.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

// Date/time: days since 1899-12-30 -> "YYYY-MM-DDTHH:MM:SS", with ".fff" appended only when the
// value has milliseconds. The time is rounded to the millisecond (halves upward). A negative value
// counts whole days back from 1899-12-30 while its fraction is still the time of day: -1.25 is
// 1899-12-29 06:00. Values outside the years 1-9999 (or not finite) come back as the plain number.
std::string formatDateTime(double days);

// Date/Time Extended as stored (ASCII: 19 digits of days since 0001-01-01, one separator, then 19
// digits: 12 of seconds into the day directly followed by 7 of 100 ns units; a trailer may follow)
// -> "YYYY-MM-DDTHH:MM:SS", with ".fffffff" when the fraction is not zero. An error when the bytes
// do not have that shape.
Result<std::string> formatDateTimeExtended(std::span<const std::uint8_t> stored);

// Currency: a 64-bit count of 1/10,000 units -> exact decimal text without needless zeros:
// 123400 -> "12.34", 10000 -> "1", -5000 -> "-0.5".
std::string formatCurrency(std::int64_t scaled);

// A decimal literal ("-012.3400", ".5", "7.") -> its plain form ("-12.34", "0.5", "7"); negative
// zero becomes "0". nullopt when the text is not [-]digits[.digits].
std::optional<std::string> normalizeDecimal(std::string_view text);

// The shortest text that reads back as the same number, laid out as JavaScript prints numbers:
// plain digits from 1e-7 up to 1e21, exponent form ("1e+21", "1.5e-7") outside; "-0" is "0";
// not-a-number and infinities as "NaN", "Infinity", "-Infinity".
std::string formatDouble(double value);
// The same for a single-precision value: the shortest text that reads back as the same float.
std::string formatSingle(float value);

// Bytes -> lowercase hexadecimal, two digits per byte.
std::string formatHex(std::span<const std::uint8_t> bytes);

// Fills value.text for the column types whose text is derived from a number: date/time from
// value.real, currency from value.integer. Other types and nulls are left as they are.
void fillValueText(ColumnType type, Value& value);

}  // namespace jet
