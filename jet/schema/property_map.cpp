// property_map.cpp: parsing of property blobs. Layout: docs/format/properties.md.
#include "jet/schema/property_map.h"

#include <array>

#include "jet/schema/catalogue.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"
#include "jet/core/text_codec.h"

namespace jet {
namespace {

constexpr std::array<std::array<std::uint8_t, 4>, 2> kBlobKinds = {{
    {'M', 'R', '2', 0},  // Jet4 and later
    {'K', 'K', 'D', 0},  // also Jet4; seen in older files
}};
constexpr std::size_t kBlockHeader = 6;  // u32 length (header included), u16 kind
constexpr std::uint16_t kNameBlock = 0x80;
constexpr std::size_t kValueHeader = 8;  // u16 length, u8 flags, u8 type, u16 name, u16 size

Error bad(const std::string& what) { return Error{err::kBadPage, "its property blob " + what}; }

// A u16 byte length then UCS-2 text, from `at`; advances `at`.
Result<std::string> readName(Bytes b, std::size_t& at) {
  std::uint16_t len = 0;
  if (!readU16(b, at, len) || !inBounds(b, at + 2, len)) return bad("ends inside a name");
  std::string name = decodeUcs2Text(b.subspan(at + 2, len));
  at += 2 + std::size_t{len};
  return name;
}

Result<std::vector<std::string>> readNames(Bytes block) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < block.size();) {
    JET_ASSIGN_OR_RETURN(std::string name, readName(block, at));
    names.push_back(std::move(name));
  }
  return names;
}

Result<Property> readValue(Bytes v, const std::vector<std::string>& names) {
  std::uint16_t nameIndex = u16(v, 4);
  std::uint16_t size = u16(v, 6);
  if (nameIndex >= names.size()) return bad("names property " + std::to_string(nameIndex));
  if (size > v.size() - kValueHeader) return bad("has a value longer than its entry");
  Property p;
  p.name = names[nameIndex];
  p.type = v[3];
  p.value.assign(v.begin() + kValueHeader,
                 v.begin() + static_cast<std::ptrdiff_t>(kValueHeader + size));
  return p;
}

Result<PropertyMap> readMap(Bytes block, const std::vector<std::string>& names) {
  PropertyMap map;
  std::size_t at = 0;
  std::uint32_t nameBlock = 0;
  if (readU32(block, 0, nameBlock)) {
    if (nameBlock < 4 || nameBlock > block.size()) return bad("has a bad map name length");
    std::size_t nameAt = 4;
    if (nameBlock > kBlockHeader) {
      JET_ASSIGN_OR_RETURN(map.name, readName(block.first(nameBlock), nameAt));
    }
    at = nameBlock;
  }
  while (at < block.size()) {
    std::uint16_t len = 0;
    if (!readU16(block, at, len) || len < kValueHeader || !inBounds(block, at, len)) {
      return bad("has a value entry cut short");
    }
    JET_ASSIGN_OR_RETURN(Property p, readValue(block.subspan(at, len), names));
    map.properties.push_back(std::move(p));
    at += len;
  }
  return map;
}

bool knownKind(Bytes blob) {
  for (const auto& kind : kBlobKinds) {
    if (inBounds(blob, 0, kind.size()) && std::equal(kind.begin(), kind.end(), blob.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace

const Property* PropertyMap::find(std::string_view property) const {
  for (const Property& p : properties) {
    if (equalsIgnoringCase(p.name, property)) return &p;
  }
  return nullptr;
}

Result<std::vector<PropertyMap>> parsePropertyMaps(Bytes blob) {
  std::vector<PropertyMap> maps;
  if (blob.empty()) return maps;
  if (!knownKind(blob)) return bad("is of an unknown kind");
  std::vector<std::string> names;
  for (std::size_t at = kBlobKinds[0].size(); at < blob.size();) {
    std::uint32_t len = 0;
    std::uint16_t kind = 0;
    if (!readU32(blob, at, len) || !readU16(blob, at + 4, kind) || len < kBlockHeader ||
        !inBounds(blob, at, len)) {
      return bad("has a block cut short at byte " + std::to_string(at));
    }
    Bytes block = blob.subspan(at + kBlockHeader, len - kBlockHeader);
    if (kind == kNameBlock) {
      JET_ASSIGN_OR_RETURN(names, readNames(block));
    } else {
      JET_ASSIGN_OR_RETURN(PropertyMap map, readMap(block, names));
      maps.push_back(std::move(map));
    }
    at += len;
  }
  return maps;
}

const PropertyMap* findPropertyMap(const std::vector<PropertyMap>& maps, std::string_view name) {
  for (const PropertyMap& m : maps) {
    if (equalsIgnoringCase(m.name, name)) return &m;
  }
  return nullptr;
}

std::optional<ColumnType> calculatedResultType(const PropertyMap& column) {
  const Property* p = column.find("ResultType");
  if (p == nullptr || p->value.empty()) return std::nullopt;
  auto type = static_cast<ColumnType>(p->value[0]);
  switch (type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
    case ColumnType::kText:
    case ColumnType::kMemo:
    case ColumnType::kGuid:
    case ColumnType::kNumeric:
    case ColumnType::kBigInt:
      return type;
    default:
      return std::nullopt;
  }
}

void setCalculatedResultTypes(TableDef& table, const std::vector<PropertyMap>& maps) {
  for (Column& col : table.columns) {
    const PropertyMap* map = col.calculated() ? findPropertyMap(maps, col.name) : nullptr;
    if (map == nullptr) continue;
    if (auto type = calculatedResultType(*map)) col.resultType = *type;
  }
}

}  // namespace jet
