// index_codes.h: what one UTF-16 code unit contributes to a text index key in each of the three
// sort orders Access uses (inline code, extra code, unprintable code, flags). Reads the generated
// tables of index_code_data.cpp; assembling whole keys is text_index_key.cpp's job.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

enum class TextSortOrder : std::uint8_t {
  kGeneral97,      // Access 97 files
  kGeneralLegacy,  // Access 2000-2007 files, and older columns of later files
  kGeneral,        // Access 2010 and later
};

enum class CharCodeKind : std::uint8_t {
  kSimple,            // inline bytes only
  kInternational,     // inline bytes and an extra code
  kUnprintable,       // no inline bytes; an unprintable code
  kModifier,          // adds its byte to the previous extra code
  kInternationalExt,  // inline bytes, an extra code (may be empty) and a two-bit flag
  kSignificant,       // General 97: inline bytes that take a place in the extra codes
  kIgnored,           // contributes nothing
  kSurrogate,         // half of a character beyond U+FFFF: computed inline bytes, extra 0x3F
};

struct CharCode {
  CharCodeKind kind = CharCodeKind::kIgnored;
  // The inline bytes; for surrogates they live in `computed`, so use inlineCode().
  std::span<const std::uint8_t> extraBytes;        // international kinds and surrogates
  std::span<const std::uint8_t> unprintableBytes;  // kUnprintable
  std::uint8_t modifier = 0;                       // kModifier
  std::uint8_t crazyFlag = 0;                      // kInternationalExt: 2 or 3
  std::span<const std::uint8_t> inlineBytes;
  std::uint8_t computed[2] = {0, 0};  // surrogates: their inline bytes

  std::span<const std::uint8_t> inlineCode() const {
    return kind == CharCodeKind::kSurrogate ? std::span<const std::uint8_t>(computed, 2)
                                            : inlineBytes;
  }
};

// The codes of one UTF-16 code unit. General 97 knows U+0000-00FF and the few characters that
// Windows-1252 maps into U+0080-009F's slots; every other character is ignored there.
CharCode charCode(TextSortOrder order, char16_t unit);

}  // namespace jet
