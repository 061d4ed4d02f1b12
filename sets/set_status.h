// set_status.h: how the set list and set files report failure: the shared Error, Status and
// Result<T> of base/status.h (standard library only), and the error numbers of this folder.
// Nothing in sets/ throws.
#pragma once

#include <cstdint>

#include "base/status.h"

namespace sets {

using base::Error;
using base::Result;
using base::Status;

// The stable numbers of this folder's range, 0x8004F3xx (the engine uses 0x8004F0xx).
namespace err {
constexpr std::int32_t code(std::uint32_t hresult) { return static_cast<std::int32_t>(hresult); }

inline constexpr std::int32_t kListFull = code(0x8004F301);  // beyond the list's capacity
inline constexpr std::int32_t kFileIo = code(0x8004F302);    // a set file cannot be read/written
inline constexpr std::int32_t kNotAFile = code(0x8004F303);  // the path names a folder
inline constexpr std::int32_t kFileTooLarge = code(0x8004F304);  // too large to be a set file
inline constexpr std::int32_t kEmptyInput = code(0x8004F305);    // an empty separator or path
}  // namespace err

}  // namespace sets
