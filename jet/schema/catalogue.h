// catalogue.h: the objects of MSysObjects (table definition at page 2) as catalogue entries,
// and how each object is classified the way ADO's table schema lists it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/schema/schema.h"

namespace jet {

inline constexpr std::uint32_t kCatalogueTdefPage = 2;

// MSysObjects Type values.
inline constexpr std::int32_t kObjectLocalTable = 1;
inline constexpr std::int32_t kObjectOdbcLink = 4;
inline constexpr std::int32_t kObjectQuery = 5;
inline constexpr std::int32_t kObjectAccessLink = 6;

ObjectKind classifyObject(std::int32_t type, std::int32_t flags);

// One MSysObjects row -> an entry; `table` is MSysObjects' definition.
CatalogEntry catalogEntryFromRow(const TableDef& table, const Row& row);

}  // namespace jet
