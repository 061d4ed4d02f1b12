// property_map.h: the property blob of an MSysObjects row (column LvProp): named maps (one per
// column, one unnamed for the object) of typed properties. Reads only; writes are elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/schema/schema.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

struct Property {
  std::string name;
  std::uint8_t type = 0;            // a column type byte (types.h)
  std::vector<std::uint8_t> value;  // as stored
};

struct PropertyMap {
  std::string name;  // a column's name; empty for the object itself
  std::vector<Property> properties;
  const Property* find(std::string_view property) const;
};

// Parses a Jet4+ blob ("MR2\0" or "KKD\0", then blocks: names, then one block per map). An
// error describes what is wrong with the blob; the caller names the file and object.
Result<std::vector<PropertyMap>> parsePropertyMaps(Bytes blob);

// The map named `name` (compared as Access compares object names), or null.
const PropertyMap* findPropertyMap(const std::vector<PropertyMap>& maps, std::string_view name);

// A calculated column's "ResultType" property, when present and a type a result can have.
std::optional<ColumnType> calculatedResultType(const PropertyMap& column);

// Sets Column::resultType of each calculated column of `table` that has a map in `maps`.
void setCalculatedResultTypes(TableDef& table, const std::vector<PropertyMap>& maps);

}  // namespace jet
