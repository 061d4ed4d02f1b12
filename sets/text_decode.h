// text_decode.h: the bytes of a set file -> UTF-8 text. Picks UTF-16 (first byte FF or FE),
// UTF-8 (with or without its byte-order mark) or, for anything else, Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace sets {

// The whole file's bytes -> UTF-8. A leading byte-order mark is dropped, never kept as a
// character. First byte FF or FE: UTF-16, little-endian unless the file opens with FE FF; an odd
// last byte is dropped and an unpaired surrogate becomes U+FFFD. Otherwise valid UTF-8 is kept
// as it is and anything else is read as Windows-1252.
std::string decodeSetFileText(std::string_view bytes);

// The steps above, one encoding each.
std::string decodeUtf16(std::string_view bytes, bool bigEndian);
std::string decodeWindows1252(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

}  // namespace sets
