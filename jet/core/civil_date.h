// civil_date.h: the one conversion from a day count to a calendar date (proleptic Gregorian,
// counted in 400-year eras), with the day counts between the epochs the file formats use.
#pragma once

#include <cstdint>

namespace jet {

// Days from 1899-12-30 (the day zero of an Access date/time) to 1970-01-01.
inline constexpr std::int64_t kDaysFrom1899To1970 = 25'569;
// Days from 0001-01-01 (the day zero of a Date/Time Extended value) to 1970-01-01.
inline constexpr std::int64_t kDaysFrom0001To1970 = 719'162;

struct CivilDate {
  std::int64_t year;
  unsigned month;  // 1-12
  unsigned day;    // 1-31
};

// Days since 1970-01-01 (negative before it) -> the calendar date of that day.
constexpr CivilDate civilFromDays(std::int64_t days) {
  days += 719'468;  // from 0000-03-01, so that leap days fall at the end of a year
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 = March
  const auto day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

// The weekday of a day since 1970-01-01: 0 = Sunday ... 6 = Saturday (1970-01-01 was a Thursday).
constexpr int weekdayFromDays(std::int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }

}  // namespace jet
