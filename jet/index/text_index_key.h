// text_index_key.h: the index key bytes of one text value in a given sort order: the truncation
// and trimming Access applies, inline codes, extra codes, crazy flags and unprintable codes.
// The column's start flag and numeric types are index_key.cpp's job.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/index/index_codes.h"

namespace jet {

// Access indexes at most this many UTF-16 code units of a text or memo value.
inline constexpr std::size_t kMaxIndexedTextUnits = 255;

// Appends the key bytes of `text` (UTF-16 code units) after the column's start flag; descending
// keys come out inverted, as Access stores them.
void appendTextKey(TextSortOrder order, std::u16string_view text, bool ascending,
                   std::vector<std::uint8_t>& out);

}  // namespace jet
