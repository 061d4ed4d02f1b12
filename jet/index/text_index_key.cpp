// text_index_key.cpp: assembles text index keys from per-character codes. Layout (General and
// General Legacy): inline codes, 01, extra codes (trailing placeholders dropped), then, when there
// are crazy flags or unprintable characters, 01 01, packed crazy flags and their fixed suffix,
// FF 01 and the unprintable codes; 00 ends the key. General 97: inline codes, then extra codes
// as nibbles between two zero nibbles, or a single 00.
#include "jet/index/text_index_key.h"

namespace jet {
namespace {

constexpr std::uint8_t kEndText = 0x01;
constexpr std::uint8_t kEndExtra = 0x00;
constexpr std::uint8_t kPlaceholder = 0x02;  // a character without an extra code
constexpr std::uint8_t kCrazyStart = 0x80;
constexpr std::uint8_t kCrazyIgnoredAtEnd = 0x03;
constexpr std::uint8_t kCrazySuffix[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kCrazyBeforeUnprintable = 0xFF;
constexpr std::uint8_t kUnprintableMidfix = 0x06;

std::u16string_view indexedPart(std::u16string_view text) {
  if (text.size() > kMaxIndexedTextUnits) text = text.substr(0, kMaxIndexedTextUnits);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

void append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void invert(std::vector<std::uint8_t>& out, std::size_t from) {
  for (std::size_t i = from; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
}

// The extra codes of a General / General Legacy key, with the bookkeeping their unprintable
// offsets depend on.
struct ExtraCodes {
  bool started = false;
  std::vector<std::uint8_t> bytes;
  std::size_t chars = 0;        // characters the codes account for, placeholders included
  std::size_t leadingMods = 0;  // a modifier with no code before it, kept as its own byte

  void add(std::size_t charIndex, std::span<const std::uint8_t> extra, std::uint8_t modifier) {
    started = true;
    if (chars < charIndex) {
      bytes.insert(bytes.end(), charIndex - chars, kPlaceholder);
      chars = charIndex;
    }
    if (!extra.empty()) {
      append(bytes, extra);
      ++chars;
    } else if (!bytes.empty()) {
      bytes.back() = static_cast<std::uint8_t>(bytes.back() + modifier);
    } else {
      bytes.push_back(modifier);
      leadingMods = 1;
    }
  }

  // Removes trailing placeholders (and zeros); true when codes remain.
  bool trim() {
    while (!bytes.empty() && bytes.back() <= kPlaceholder) bytes.pop_back();
    return !bytes.empty();
  }
};

void addUnprintable(std::size_t charIndex, std::span<const std::uint8_t> code,
                    const ExtraCodes& extra, std::vector<std::uint8_t>& unprintable) {
  // The position counts the extra-code bytes written so far plus the characters not yet
  // accounted for, as if every one of them had a one-byte extra code.
  std::size_t position = charIndex;
  if (extra.started) position = extra.bytes.size() + (charIndex - extra.chars) - extra.leadingMods;
  std::size_t offset = (7 + 4 * position) | 0x8000;
  unprintable.push_back(static_cast<std::uint8_t>((offset >> 8) & 0xFF));
  unprintable.push_back(static_cast<std::uint8_t>(offset & 0xFF));
  unprintable.push_back(kUnprintableMidfix);
  append(unprintable, code);
}

// Three two-bit flags per byte under a 10 prefix; flags of 3 at the end are dropped.
void appendCrazyFlags(std::vector<std::uint8_t> flags, std::vector<std::uint8_t>& out) {
  while (!flags.empty() && flags.back() == kCrazyIgnoredAtEnd) flags.pop_back();
  std::uint8_t current = kCrazyStart;
  int used = 0;
  for (std::uint8_t f : flags) {
    current = static_cast<std::uint8_t>(current | (f << ((2 - used) * 2)));
    if (++used == 3) {
      out.push_back(current);
      current = kCrazyStart;
      used = 0;
    }
  }
  if (used > 0) out.push_back(current);
  append(out, kCrazySuffix);
}

void appendGeneralKey(TextSortOrder order, std::u16string_view text, bool ascending,
                      std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  ExtraCodes extra;
  std::vector<std::uint8_t> unprintable;
  std::vector<std::uint8_t> crazy;
  bool anyUnprintable = false;
  std::size_t charIndex = 0;
  for (char16_t unit : text) {
    CharCode code = charCode(order, unit);
    const std::size_t thisChar = charIndex;
    auto inlineCode = code.inlineCode();
    if (!inlineCode.empty()) {
      append(out, inlineCode);
      ++charIndex;
    }
    if (code.kind == CharCodeKind::kSimple) continue;
    if (!code.extraBytes.empty() || code.modifier != 0) {
      extra.add(thisChar, code.extraBytes, code.modifier);
    }
    if (code.kind == CharCodeKind::kUnprintable) {
      anyUnprintable = true;
      addUnprintable(thisChar, code.unprintableBytes, extra, unprintable);
    }
    if (code.crazyFlag != 0) crazy.push_back(code.crazyFlag);
  }
  out.push_back(kEndText);
  const bool anyExtra = extra.trim();
  const bool anyCrazy = !crazy.empty();
  if (anyExtra) append(out, extra.bytes);
  if (anyCrazy || anyUnprintable) {
    out.push_back(kEndText);
    out.push_back(kEndText);
    if (anyCrazy) {
      appendCrazyFlags(std::move(crazy), out);
      if (anyUnprintable) out.push_back(kCrazyBeforeUnprintable);
    }
    if (anyUnprintable) {
      out.push_back(kEndText);
      append(out, unprintable);
    }
  }
  if (!ascending) {
    out.push_back(kEndExtra);
    invert(out, start);
  }
  out.push_back(kEndExtra);
}

// General 97 extra codes: one nibble per international character, preceded by a placeholder
// nibble per significant character since the previous one.
class Nibbles {
 public:
  void put(std::uint8_t n) { nibbles_.push_back(n & 0x0F); }
  void appendTo(std::vector<std::uint8_t>& out) const {
    for (std::size_t i = 0; i < nibbles_.size(); i += 2) {
      std::uint8_t low = i + 1 < nibbles_.size() ? nibbles_[i + 1] : 0;
      out.push_back(static_cast<std::uint8_t>((nibbles_[i] << 4) | low));
    }
  }
  bool empty() const { return nibbles_.empty(); }

 private:
  std::vector<std::uint8_t> nibbles_;
};

void appendGeneral97Key(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  Nibbles extra;
  std::size_t significant = 0;
  for (char16_t unit : text) {
    CharCode code = charCode(TextSortOrder::kGeneral97, unit);
    append(out, code.inlineCode());
    if (code.kind == CharCodeKind::kSimple) continue;
    if (code.kind == CharCodeKind::kSignificant) {
      ++significant;
      continue;
    }
    if (code.extraBytes.empty()) continue;
    if (extra.empty()) extra.put(0);
    for (; significant > 0; --significant) extra.put(kPlaceholder);
    extra.put(code.extraBytes[0]);
  }
  if (extra.empty()) {
    out.push_back(kEndExtra);
  } else {
    extra.put(0);
    extra.appendTo(out);
  }
  if (!ascending) invert(out, start);
}

}  // namespace

void appendTextKey(TextSortOrder order, std::u16string_view text, bool ascending,
                   std::vector<std::uint8_t>& out) {
  text = indexedPart(text);
  if (order == TextSortOrder::kGeneral97) {
    appendGeneral97Key(text, ascending, out);
  } else {
    appendGeneralKey(order, text, ascending, out);
  }
}

}  // namespace jet
