// test_values.h: for tests only: the cell values tests write, one short call each (null, number,
// real, text, yes/no).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "jet/core/types.h"

namespace jet::testing {

inline Value nul() { return Value{}; }

inline Value num(std::int64_t v) {
  Value x;
  x.isNull = false;
  x.integer = v;
  return x;
}

inline Value real(double v) {
  Value x;
  x.isNull = false;
  x.real = v;
  return x;
}

inline Value str(std::string s) {
  Value x;
  x.isNull = false;
  x.text = std::move(s);
  return x;
}

inline Value flag(bool b) {
  Value x;
  x.isNull = false;
  x.boolean = b;
  return x;
}

}  // namespace jet::testing
