// error_codes.h: the stable error numbers of the database access layer, in its own range
// 0x8004F1xx (the engine keeps 0x8004F0xx).
#pragma once

#include <cstdint>

#include "jet/error_codes.h"

namespace db::err {

inline constexpr std::int32_t kBadConnectionString = jet::err::code(0x8004F101);

}  // namespace db::err
