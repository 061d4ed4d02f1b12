// index_codes.cpp: decodes the generated per-character records (layout in
// tools/gen_index_codes.py) and computes the codes of surrogate halves, which have no record.
#include "jet/index/index_codes.h"

#include <algorithm>

#include "jet/index/index_code_data.h"

namespace jet {
namespace {

namespace data = index_code_data;

constexpr std::uint32_t kNoRecord = 0xFFFFFFFF;
constexpr std::uint8_t kSurrogateExtra[1] = {0x3F};

CharCodeKind kindOf(std::uint8_t k) {
  switch (k) {
    case 0:
      return CharCodeKind::kSimple;
    case 1:
      return CharCodeKind::kInternational;
    case 2:
      return CharCodeKind::kUnprintable;
    case 3:
      return CharCodeKind::kModifier;
    case 4:
      return CharCodeKind::kInternationalExt;
    case 5:
      return CharCodeKind::kSignificant;
    default:
      return CharCodeKind::kIgnored;
  }
}

// Record: kind, n1, n1 bytes, n2, n2 bytes, flag. The generator guarantees the lengths.
CharCode decodeRecord(const std::uint8_t* rec) {
  CharCode code;
  code.kind = kindOf(rec[0]);
  std::span<const std::uint8_t> first(rec + 2, rec[1]);
  const std::uint8_t* next = rec + 2 + rec[1];
  std::span<const std::uint8_t> second(next + 1, next[0]);
  std::uint8_t flag = next[1 + next[0]];
  switch (code.kind) {
    case CharCodeKind::kUnprintable:
      code.unprintableBytes = first;
      break;
    case CharCodeKind::kModifier:
      code.modifier = first.empty() ? 0 : first[0];
      break;
    default:
      code.inlineBytes = first;
      code.extraBytes = second;
      code.crazyFlag = flag;
      break;
  }
  return code;
}

// Surrogate halves sort by fixed offsets from their code unit (measured from Access's keys).
CharCode surrogateCode(char16_t unit) {
  int c = unit;
  int index = 0;
  if (c < 0xDC00) {
    index = c - 10238;
  } else {
    int inBlock = (c - 0xDC00) % 1024;
    int offset = inBlock < 8     ? 9992
                 : inBlock < 262 ? 9990
                 : inBlock < 516 ? 9988
                 : inBlock < 770 ? 9986
                                 : 9984;
    index = c - offset;
  }
  CharCode code;
  code.kind = CharCodeKind::kSurrogate;
  code.computed[0] = static_cast<std::uint8_t>((index >> 8) & 0xFF);
  code.computed[1] = static_cast<std::uint8_t>(index & 0xFF);
  code.extraBytes = kSurrogateExtra;
  return code;
}

CharCode fromTable(const std::uint8_t* records, const std::uint32_t* offsets, char16_t unit) {
  std::uint32_t at = offsets[unit];
  if (at == kNoRecord) return surrogateCode(unit);
  return decodeRecord(records + at);
}

CharCode general97Code(char16_t unit) {
  if (unit <= 0xFF) return decodeRecord(data::kGeneral97Records + data::kGeneral97Offsets[unit]);
  const std::uint16_t* pairs = data::kGeneral97Mappings;
  constexpr std::size_t kPairs = std::size(data::kGeneral97Mappings) / 2;
  for (std::size_t i = 0; i < kPairs; ++i) {
    if (pairs[2 * i] == unit) {
      return decodeRecord(data::kGeneral97Records + data::kGeneral97Offsets[pairs[2 * i + 1]]);
    }
  }
  return CharCode{};  // no Windows-1252 slot: ignored
}

}  // namespace

CharCode charCode(TextSortOrder order, char16_t unit) {
  switch (order) {
    case TextSortOrder::kGeneral97:
      return general97Code(unit);
    case TextSortOrder::kGeneral:
      return fromTable(data::kGeneralRecords, data::kGeneralOffsets, unit);
    case TextSortOrder::kGeneralLegacy:
      break;
  }
  return fromTable(data::kGeneralLegacyRecords, data::kGeneralLegacyOffsets, unit);
}

}  // namespace jet
