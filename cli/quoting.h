// quoting.h: text as the command line writes it into its outputs: JSON string literals (export,
// sql, replace --json) and CSV fields (export --format csv).
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Appends `utf8` as a quoted JSON string: quote, backslash and control characters escaped, other
// characters kept as UTF-8; bytes that are not valid UTF-8 become U+FFFD.
void appendJsonString(std::string& out, std::string_view utf8);
std::string jsonString(std::string_view utf8);

// A CSV field (RFC 4180): quoted, with quotes doubled, when it holds a comma, quote, CR or LF.
void appendCsvField(std::string& out, std::string_view text);
std::string csvField(std::string_view text);

}  // namespace cli
