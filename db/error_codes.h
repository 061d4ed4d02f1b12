// error_codes.h: the stable error numbers of the database access layer, in its own range
// 0x8004F1xx (the engine keeps 0x8004F0xx).
#pragma once

#include <cstdint>

#include "jet/core/error_codes.h"

namespace db::err {

inline constexpr std::int32_t kBadConnectionString = jet::err::code(0x8004F101);
// A change to a connection opened read-only.
inline constexpr std::int32_t kConnectionReadOnly = jet::err::code(0x8004F102);
// The record no longer holds the value it was read with; the change was not made.
inline constexpr std::int32_t kRecordChanged = jet::err::code(0x8004F103);
// A recordset used past its end or after its connection closed.
inline constexpr std::int32_t kNoCurrentRecord = jet::err::code(0x8004F104);

}  // namespace db::err
