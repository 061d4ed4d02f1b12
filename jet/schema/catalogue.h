// catalogue.h: the objects of MSysObjects (table definition at page 2) as catalogue entries, how
// each object is classified the way ADO's table schema lists it, and the catalogue rows a new
// table adds: its MSysObjects row and its MSysACEs rows. Putting rows on pages and into indexes
// is the caller's business. Layout: docs/format/new_table.md.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/status.h"
#include "jet/schema/schema.h"

namespace jet {

inline constexpr std::uint32_t kCatalogueTdefPage = 2;

// MSysObjects Type values.
inline constexpr std::int32_t kObjectLocalTable = 1;
inline constexpr std::int32_t kObjectOdbcLink = 4;
inline constexpr std::int32_t kObjectQuery = 5;
inline constexpr std::int32_t kObjectAccessLink = 6;

// ---- Reading

ObjectKind classifyObject(std::int32_t type, std::int32_t flags);

// The definition page of a local table, from its MSysObjects Id (the Id's low three bytes).
std::uint32_t tablePageOfObject(std::int32_t id);

// One MSysObjects row -> an entry; `table` is MSysObjects' definition.
CatalogEntry catalogEntryFromRow(const TableDef& table, const Row& row);

// ---- Building the rows of a new table

// Gives the next row of a table, false when there are none left.
using CatalogueRows = std::function<Result<bool>(Row&)>;

// Where a new table goes: the Id of the "Tables" container, and the owner new objects get: that
// of the database's own object "MSysDb" (inside the "Databases" container), as Access gives its
// new tables (the Admin user when there is none).
struct TablesContainer {
  std::int32_t id = 0;
  std::vector<std::uint8_t> owner;
};

// Finds it among MSysObjects' rows (`objects` its definition). kUnsupported naming `file` when
// the catalogue lacks the usual columns or the container.
Result<TablesContainer> findTablesContainer(const TableDef& objects, const CatalogueRows& rows,
                                            const std::string& file);

// The SIDs that hold rights on object `objectId`, from MSysACEs' rows (`aces` its definition);
// the Admin user's when there are none.
Result<std::vector<std::vector<std::uint8_t>>> rightHolders(const TableDef& aces,
                                                            const CatalogueRows& rows,
                                                            std::int32_t objectId);

// The MSysObjects row (one Value per column of `objects`) of the new local table `table`
// (name and definition page set), created at `createdAt` (days since 1899-12-30).
std::vector<Value> newTableObjectRow(const TableDef& objects, const TableDef& table,
                                     const TablesContainer& container, double createdAt);

// The MSysACEs row (one Value per column of `aces`) giving `sid` full rights on the table whose
// definition is at `tdefPage`.
std::vector<Value> newTableAceRow(const TableDef& aces, std::uint32_t tdefPage,
                                  const std::vector<std::uint8_t>& sid);

}  // namespace jet
