// text_codec.h: text as the file stores it <-> UTF-8. Jet4/ACE text is UCS-2 little-endian,
// optionally in the compressed form; Jet3 text is in the file's code page.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/status.h"

namespace jet {

// Jet4/ACE: stored bytes (plain UCS-2LE, or compressed: FF FE then runs that 0x00 toggles between
// one byte per character and two) -> UTF-8. Surrogate pairs become one 4-byte UTF-8 sequence;
// a lone surrogate becomes U+FFFD. An odd trailing byte is ignored.
std::string decodeUcs2Text(std::span<const std::uint8_t> stored);
// The same into `out`, whose room is reused: no allocation once it has held a longer text.
void decodeUcs2TextInto(std::span<const std::uint8_t> stored, std::string& out);

// UTF-8 -> UCS-2LE (characters beyond U+FFFF as surrogate pairs). Invalid UTF-8 is an error
// naming the input.
Result<std::vector<std::uint8_t>> encodeUcs2(std::string_view utf8);

// UCS-2LE -> the compressed form when it is allowed and shorter (every character below U+0100 in
// the one-byte runs, none equal to U+0000 ... see the format notes), else a copy.
std::vector<std::uint8_t> compressUcs2(std::span<const std::uint8_t> ucs2);

// UTF-8 -> the stored Jet4 form in one step: compressUcs2(encodeUcs2(utf8)) when `compress`,
// else encodeUcs2(utf8); quicker for ASCII without NUL, the usual text.
Result<std::vector<std::uint8_t>> encodeStoredUcs2(std::string_view utf8, bool compress);

// Jet3: bytes in `codePage` (a Windows code page number, 1252 when 0) -> UTF-8, through iconv.
// Bytes the code page does not define become U+FFFD.
std::string decodeCodePage(std::span<const std::uint8_t> stored, std::uint16_t codePage);
// UTF-8 -> bytes in `codePage`; a character the code page cannot hold is an error naming it.
Result<std::vector<std::uint8_t>> encodeCodePage(std::string_view utf8, std::uint16_t codePage);

// One code point appended to `out` as UTF-8.
void appendUtf8(std::string& out, char32_t c);
// Decodes the UTF-8 sequence at `i` into `c` and moves `i` past it; false (nothing moved) on a
// malformed, overlong or surrogate sequence.
bool nextCodePoint(std::string_view s, std::size_t& i, char32_t& c);

// Number of UTF-16 code units in a UTF-8 text (the unit Access counts text lengths in).
std::size_t utf16Length(std::string_view utf8);

}  // namespace jet
