// text_value_encoder.h: a UTF-8 value -> the bytes a text or memo column stores: the file's code
// page (Jet3), or UCS-2 in the compressed form where the column allows it and Access would use it.
// Enforces the text column's size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jet/schema/schema.h"
#include "jet/row/row_layout.h"
#include "jet/core/status.h"

namespace jet {

// Memo values are compressed only up to this many characters, as Access does.
inline constexpr std::size_t kMaxCompressedMemoChars = 1024;

// `codePage`: the header's code page, used by Jet3 columns that name none. `table` names the
// table in errors. kDataOverflow when a text value is longer than the column allows.
Result<ByteVector> encodeTextValue(const Column& column, std::string_view utf8, bool jet3,
                                   std::uint16_t codePage, const std::string& table);

}  // namespace jet
