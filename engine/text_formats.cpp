// text_formats.cpp: regional text of values and timestamps.
#include "engine/text_formats.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "jet/core/civil_date.h"

namespace engine {
namespace {

bool isPlainLocale(const char* name) {
  if (name == nullptr || *name == '\0') return true;
  std::string_view n(name);
  return n == "C" || n == "POSIX" || n.starts_with("C.");
}

std::string formatTm(const std::string& pattern, const std::tm& t) {
  char buf[128];
  std::size_t n = std::strftime(buf, sizeof buf, pattern.c_str(), &t);
  return std::string(buf, n);
}

// Shortest decimal text that reads back as the same double, with the regional separator.
// A single is printed at single precision, so 0.1f reads "0.1", not its double widening.
// Days from 1899-12-30 that some calendar date holds: years -9999 to 99999, far beyond Access's
// own 100 to 9999, so that nothing a file can hold overflows the date arithmetic.
bool isCalendarDay(double days) {
  return std::isfinite(days) && std::fabs(days) < 36'500'000.0;
}

std::string doubleText(double d, char point, bool single) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
  char buf[64];
  for (int precision = single ? 6 : 15; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    if (single ? std::strtof(buf, nullptr) == static_cast<float>(d)
               : std::strtod(buf, nullptr) == d) {
      break;
    }
  }
  std::string s(buf);
  for (char& c : s) {
    if (c == '.') c = point;
  }
  return s;
}

std::string currencyText(std::int64_t scaled, char point) {
  bool negative = scaled < 0;
  std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(scaled)
                               : static_cast<std::uint64_t>(scaled);
  std::string s = std::to_string(mag / 10000);
  std::string frac = std::to_string(mag % 10000);
  frac.insert(0, 4 - frac.size(), '0');
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) s += point + frac;
  return negative ? "-" + s : s;
}

}  // namespace

TextFormats TextFormats::fromEnvironment() {
  TextFormats f;
  locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return f;
  const char* timeName = nullptr;
  if (const char* all = std::getenv("LC_ALL"); all && *all) timeName = all;
  else if (const char* lt = std::getenv("LC_TIME"); lt && *lt) timeName = lt;
  else timeName = std::getenv("LANG");
  if (!isPlainLocale(timeName)) {
    if (const char* d = nl_langinfo_l(D_FMT, loc); d && *d) f.dateFormat = d;
    if (const char* t = nl_langinfo_l(T_FMT, loc); t && *t) f.timeFormat = t;
    if (const char* r = nl_langinfo_l(RADIXCHAR, loc); r && r[0] != '\0' && r[1] == '\0') {
      f.decimalPoint = r[0];
    }
  }
  freelocale(loc);
  return f;
}

std::string TextFormats::dateTime(const std::tm& t) const {
  return formatTm(dateFormat, t) + " " + formatTm(timeFormat, t);
}

std::tm accessDateToTm(double days) {
  // Access counts whole days from 1899-12-30; the fraction is the time of day even when the
  // day count is negative. A stored value far outside any calendar (or not a number) is taken
  // as day 0 rather than overflow the arithmetic below; valueText never shows it as a date.
  if (!isCalendarDay(days)) days = 0.0;
  double whole = std::trunc(days);
  double frac = std::fabs(days - whole);
  auto seconds = static_cast<std::int64_t>(std::llround(frac * 86400.0));
  auto day = static_cast<std::int64_t>(whole);
  if (seconds >= 86400) {
    // Rounded up to midnight: the next day, also below zero, where the whole days count back
    // but the time of day still runs forwards.
    seconds -= 86400;
    day += 1;
  }
  const std::int64_t fromEpoch = day - jet::kDaysFrom1899To1970;
  const jet::CivilDate date = jet::civilFromDays(fromEpoch);
  std::tm t{};
  t.tm_year = static_cast<int>(date.year - 1900);
  t.tm_mon = static_cast<int>(date.month - 1);
  t.tm_mday = static_cast<int>(date.day);
  t.tm_hour = static_cast<int>(seconds / 3600);
  t.tm_min = static_cast<int>((seconds / 60) % 60);
  t.tm_sec = static_cast<int>(seconds % 60);
  t.tm_wday = jet::weekdayFromDays(fromEpoch);
  return t;
}

std::string TextFormats::valueText(jet::ColumnType type, const jet::Value& v) const {
  using jet::ColumnType;
  if (v.isNull) return {};
  switch (type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
    case ColumnType::kGuid:
    case ColumnType::kNumeric:
    case ColumnType::kDateTimeExt:
    case ColumnType::kBigInt:
      if (type == ColumnType::kBigInt && v.text.empty()) return std::to_string(v.integer);
      if (type == ColumnType::kNumeric && decimalPoint != '.') {
        std::string s = v.text;
        for (char& c : s) {
          if (c == '.') c = decimalPoint;
        }
        return s;
      }
      return v.text;
    case ColumnType::kBoolean:
      return v.boolean ? "True" : "False";
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kComplex:
      return std::to_string(v.integer);
    case ColumnType::kCurrency:
      return currencyText(v.integer, decimalPoint);
    case ColumnType::kSingle:
      return doubleText(v.real, decimalPoint, true);
    case ColumnType::kDouble:
      return doubleText(v.real, decimalPoint, false);
    case ColumnType::kDateTime: {
      // A damaged or foreign value no calendar holds is shown as the number it is.
      if (!isCalendarDay(v.real)) return doubleText(v.real, decimalPoint, false);
      std::tm t = accessDateToTm(v.real);
      bool noTime = t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0;
      bool noDate = std::trunc(v.real) == 0.0;
      if (noDate && !noTime) return formatTm(timeFormat, t);
      if (noTime) return formatTm(dateFormat, t);
      return dateTime(t);
    }
    default:
      return {};
  }
}

namespace {

constexpr std::string_view kDigits = "0123456789";

// The characters strftime can put in a date or time under `pattern`, when they are all known
// (numbers and the pattern's own literals); nullopt when a conversion may write words (month or
// day names, AM/PM, a time zone) or anything else this does not know.
std::optional<std::string> patternAlphabet(const std::string& pattern) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (++i == pattern.size()) return std::nullopt;
    switch (pattern[i]) {
      case 'd': case 'm': case 'Y': case 'y': case 'H': case 'M': case 'S': case 'I':
      case 'e': case 'j': case 'C': case 'k': case 'l': case 'u': case 'w':
        break;
      case 'D': out += '/'; break;
      case 'T': case 'R': out += ':'; break;
      case 'F': out += '-'; break;
      case '%': out += '%'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      default: return std::nullopt;
    }
  }
  return out;
}

}  // namespace

bool TextFormats::mayHold(jet::ColumnType type, std::string_view find) const {
  using jet::ColumnType;
  std::string alphabet;
  switch (type) {
    case ColumnType::kText:
    case ColumnType::kMemo:
    case ColumnType::kDateTimeExt:
      return true;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kComplex:
    case ColumnType::kBigInt:
      alphabet = std::string(kDigits) + "-";
      break;
    case ColumnType::kCurrency:
    case ColumnType::kNumeric:
      alphabet = std::string(kDigits) + "-." + decimalPoint;
      break;
    case ColumnType::kSingle:
    case ColumnType::kDouble:  // %g, and the names of the values that are not numbers
      alphabet = std::string(kDigits) + "-+e." + decimalPoint + "NaInfinity";
      break;
    case ColumnType::kBoolean:
      alphabet = "TrueFals";
      break;
    case ColumnType::kGuid:
      alphabet = std::string(kDigits) + "ABCDEFabcdef{}-";
      break;
    case ColumnType::kDateTime: {
      auto date = patternAlphabet(dateFormat);
      auto time = patternAlphabet(timeFormat);
      if (!date || !time) return true;
      // Dates, and the numbers shown for values no calendar holds.
      alphabet = std::string(kDigits) + " -+e." + decimalPoint + "NaInfinity" + *date + *time;
      break;
    }
    default:
      return false;  // no text at all, and an empty value holds nothing
  }
  return find.find_first_not_of(alphabet) == std::string_view::npos;
}

}  // namespace engine
