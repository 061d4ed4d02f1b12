// value_format.cpp: cell values as text. Dates go through a proleptic Gregorian day count; numbers
// through std::to_chars, which neither reads nor depends on the C locale.
#include "jet/core/value_format.h"

#include <array>
#include <charconv>
#include <cmath>

#include "jet/core/civil_date.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::int64_t kMillisPerDay = 86'400'000;
// 0001-01-01T00:00:00 and 9999-12-31T23:59:59.999 as milliseconds from 1970-01-01.
constexpr double kFirstMillis = -62'135'596'800'000.0;
constexpr double kLastMillis = 253'402'300'799'999.0;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Appends a non-negative number with leading zeros up to `width` digits.
void appendPadded(std::string& out, std::int64_t n, std::size_t width) {
  const std::string digits = std::to_string(n);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

// "YYYY-MM-DDTHH:MM:SS" for a moment given as days since 1970-01-01 and seconds into that day.
std::string isoDateTime(std::int64_t days, std::int64_t secondOfDay) {
  const CivilDate d = civilFromDays(days);
  std::string out;
  appendPadded(out, d.year, 4);
  out += '-';
  appendPadded(out, d.month, 2);
  out += '-';
  appendPadded(out, d.day, 2);
  out += 'T';
  appendPadded(out, secondOfDay / 3600, 2);
  out += ':';
  appendPadded(out, secondOfDay / 60 % 60, 2);
  out += ':';
  appendPadded(out, secondOfDay % 60, 2);
  return out;
}

// Nearest integer, halves toward +infinity.
double roundHalfUp(double x) {
  const double low = std::floor(x);
  return (x - low >= 0.5) ? low + 1.0 : low;
}

// Parses `count` ASCII digits at `at`; nullopt when any is not a digit.
std::optional<std::int64_t> parseDigits(std::span<const std::uint8_t> bytes, std::size_t at,
                                        std::size_t count) {
  std::int64_t n = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9') return std::nullopt;
    n = n * 10 + (bytes[i] - '0');
  }
  return n;
}

// Shortest round-trip digits and decimal exponent of a finite, non-zero number, from the
// scientific form that std::to_chars produces ("d.ddde+XX").
template <typename Float>
std::string jsLayout(Float value) {
  std::array<char, 64> buf{};
  auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific);
  std::string_view sci(buf.data(), static_cast<std::size_t>(end - buf.data()));
  std::string out;
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const std::size_t e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e))
    if (c != '.') digits += c;
  int exponent = 0;
  std::string_view expText = sci.substr(e + 1);
  if (expText.front() == '+') expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);

  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // position of the decimal point after the first digit run
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<std::size_t>(n));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out += digits.front();
    if (k > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += (n - 1 >= 0) ? "e+" : "e-";
    out += std::to_string(std::abs(n - 1));
  }
  return out;
}

template <typename Float>
std::string formatFloating(Float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0) return "0";
  return jsLayout(value);
}

}  // namespace

std::string formatDateTime(double days) {
  if (!std::isfinite(days)) return formatDouble(days);
  // The fraction is the time of day even below zero: -1.25 is one day back, then 06:00.
  const double linear = days >= 0 ? days : 2.0 * std::trunc(days) - days;
  const double fromEpoch = linear - static_cast<double>(kDaysFrom1899To1970);
  const double millis = roundHalfUp(fromEpoch * 86400.0 * 1000.0);
  if (millis < kFirstMillis || millis > kLastMillis) return formatDouble(days);
  const auto total = static_cast<std::int64_t>(millis);
  const std::int64_t day = floorDiv(total, kMillisPerDay);
  const std::int64_t millisOfDay = total - day * kMillisPerDay;
  std::string text = isoDateTime(day, millisOfDay / 1000);
  if (millisOfDay % 1000 != 0) {
    text += '.';
    appendPadded(text, millisOfDay % 1000, 3);
  }
  return text;
}

Result<std::string> formatDateTimeExtended(std::span<const std::uint8_t> stored) {
  constexpr std::size_t kDays = 0, kDaysLen = 19, kSeconds = 20, kSecondsLen = 12;
  constexpr std::size_t kFraction = 32, kFractionLen = 7;
  const Error bad{err::kCantConvertValue, "a Date/Time Extended value is not in its stored form (" +
                                              std::to_string(stored.size()) + " bytes)"};
  if (stored.size() < kFraction + kFractionLen) return bad;
  const auto days = parseDigits(stored, kDays, kDaysLen);
  const auto seconds = parseDigits(stored, kSeconds, kSecondsLen);
  const auto fraction = parseDigits(stored, kFraction, kFractionLen);
  // 3,652,059 days is 9999-12-31.
  if (!days || !seconds || !fraction || *days > 3'652'058 || *seconds >= 86'400) return bad;
  std::string text = isoDateTime(*days - kDaysFrom0001To1970, *seconds);
  if (*fraction != 0) {
    text += '.';
    appendPadded(text, *fraction, 7);
  }
  return text;
}

std::string formatCurrency(std::int64_t scaled) {
  // Magnitude as unsigned, so that the most negative value has one too.
  const std::uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string text = scaled < 0 ? "-" : "";
  text += std::to_string(magnitude / 10'000);
  std::uint64_t fraction = magnitude % 10'000;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += '.';
    text += digits;
  }
  return text;
}

std::optional<std::string> normalizeDecimal(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t dot = text.find('.');
  std::string_view whole = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (std::string_view part : {whole, fraction})
    for (char c : part)
      if (c < '0' || c > '9') return std::nullopt;
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  std::string out(whole.empty() ? "0" : whole);
  if (!fraction.empty()) {
    out += '.';
    out += fraction;
  }
  if (negative && out != "0") out.insert(0, 1, '-');
  return out;
}

std::string formatDouble(double value) { return formatFloating(value); }
std::string formatSingle(float value) { return formatFloating(value); }

std::string formatHex(std::span<const std::uint8_t> bytes) {
  constexpr std::string_view kHex = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}

void fillValueText(ColumnType type, Value& value) {
  if (value.isNull) return;
  if (type == ColumnType::kDateTime) value.text = formatDateTime(value.real);
  if (type == ColumnType::kCurrency) value.text = formatCurrency(value.integer);
}

}  // namespace jet
