// text_formats.h: how the run writes numbers, dates and its timestamps as text: the user's
// regional formats taken from the locale environment (LC_ALL, LC_NUMERIC/LC_TIME, LANG).
// Under the C or POSIX locale (or none) the documented default is ISO 8601:
// "2026-12-08 14:05:09" and "." as the decimal separator.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "jet/core/types.h"

namespace engine {

struct TextFormats {
  char decimalPoint = '.';
  std::string dateFormat = "%Y-%m-%d";  // strftime pattern of the short date
  std::string timeFormat = "%H:%M:%S";  // strftime pattern of the long time

  // Reads the user's locale; falls back to the defaults above when it is C/POSIX or unusable.
  static TextFormats fromEnvironment();

  // Short date, a space, long time.
  // False when no value of `type` can have a text (valueText) in which `find` occurs, because
  // `find` holds a character such texts never do: numbers, dates under numeric patterns,
  // booleans and GUIDs have small alphabets. True whenever that is not certain.
  bool mayHold(jet::ColumnType type, std::string_view find) const;
  std::string dateTime(const std::tm& t) const;
  // The text form of a cell for the occurrence test: text unchanged, null empty, numbers with
  // the regional decimal separator, dates as short date and long time (the date alone when the
  // time is midnight, the time alone on 1899-12-30), booleans "True"/"False", GUIDs in braces.
  // Binary and OLE cells have no text form here: they give the empty text and never match.
  std::string valueText(jet::ColumnType type, const jet::Value& v) const;
};

// Days since 1899-12-30 (fraction = time of day, negative days keep a positive time) -> tm.
std::tm accessDateToTm(double days);

}  // namespace engine
