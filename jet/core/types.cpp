// types.cpp: display names of versions and column types.
#include "jet/core/types.h"

namespace jet {

std::string_view versionName(Version v) {
  switch (v) {
    case Version::kJet3:
      return "Jet3";
    case Version::kJet4:
      return "Jet4";
    case Version::kAce12:
      return "ACE12";
    case Version::kAce14:
      return "ACE14";
    case Version::kAce15:
      return "ACE15";
    case Version::kAce16:
      return "ACE16";
    case Version::kAce17:
      return "ACE17";
  }
  return "unknown";
}

std::string_view columnTypeName(ColumnType t) {
  switch (t) {
    case ColumnType::kBoolean:
      return "boolean";
    case ColumnType::kByte:
      return "byte";
    case ColumnType::kInteger:
      return "integer";
    case ColumnType::kLong:
      return "long";
    case ColumnType::kCurrency:
      return "currency";
    case ColumnType::kSingle:
      return "single";
    case ColumnType::kDouble:
      return "double";
    case ColumnType::kDateTime:
      return "datetime";
    case ColumnType::kBinary:
      return "binary";
    case ColumnType::kText:
      return "text";
    case ColumnType::kOle:
      return "ole";
    case ColumnType::kMemo:
      return "memo";
    case ColumnType::kUnknown0D:
      return "unknown0d";
    case ColumnType::kGuid:
      return "guid";
    case ColumnType::kNumeric:
      return "numeric";
    case ColumnType::kUnknown11:
      return "unknown11";
    case ColumnType::kComplex:
      return "complex";
    case ColumnType::kBigInt:
      return "bigint";
    case ColumnType::kDateTimeExt:
      return "datetimeext";
  }
  return "unknown";
}

}  // namespace jet
