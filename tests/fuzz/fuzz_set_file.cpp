// fuzz_set_file.cpp: a set file's bytes decoded to text (BOMs, UTF-16, UTF-8, Windows-1252) and
// split into sets. The first byte picks the separator.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sets/set_file.h"
#include "sets/text_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static constexpr std::string_view kSeparators[] = {"\t", ",", ";", "=>", "|", " -> "};
  std::string_view separator = kSeparators[data[0] % std::size(kSeparators)];
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string text = sets::decodeSetFileText(bytes);
  (void)sets::parseSetText(text, separator);
  (void)sets::parseSetText(bytes, separator);  // undecoded bytes too
  return 0;
}
