// catalogue_test.cpp: the catalogue rows of a new table, built from a template's MSysObjects and
// MSysACEs, read back as the entry they describe; a catalogue without its "Tables" container is
// refused naming the file.
#include "jet/schema/catalogue.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"
#include "jet/database.h"

namespace jet {
namespace {

const std::string kTemplate = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/" +
                              "empty-jet4.mdb";

std::vector<Row> rowsOf(const Database& db, const TableDef& table) {
  std::vector<Row> out;
  auto scan = db.scan(table);
  EXPECT_TRUE(scan.ok());
  for (Row row; scan.ok() && *(*scan)->next(row);) out.push_back(row);
  return out;
}

CatalogueRows from(const std::vector<Row>& rows) {
  return [&rows, next = std::size_t{0}](Row& row) mutable -> Result<bool> {
    if (next == rows.size()) return false;
    row = rows[next++];
    return true;
  };
}

const Value& cell(const TableDef& table, const std::vector<Value>& row, const char* column) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == column) return row[i];
  }
  ADD_FAILURE() << "no column " << column;
  return row.front();
}

TEST(Catalogue, NewTableRowsReadBackAsTheTable) {
  auto db = Database::open(kTemplate);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto objects = (*db)->table("MSysObjects");
  auto aces = (*db)->table("MSysACEs");
  ASSERT_TRUE(objects.ok() && aces.ok());
  const std::vector<Row> objectRows = rowsOf(**db, *objects);

  auto container = findTablesContainer(*objects, from(objectRows), kTemplate);
  ASSERT_TRUE(container.ok()) << container.error().description;
  // The container holds the template's own tables.
  bool parentOfMSysObjects = false;
  for (const Row& row : objectRows) {
    parentOfMSysObjects |= catalogEntryFromRow(*objects, row).name == "MSysObjects" &&
                           cell(*objects, row.values, "ParentId").integer == container->id;
  }
  EXPECT_TRUE(parentOfMSysObjects);
  EXPECT_FALSE(container->owner.empty());

  TableDef table;
  table.name = "Orders";
  table.tdefPage = 321;
  Row built;
  built.values = newTableObjectRow(*objects, table, *container, 46000.5);
  ASSERT_EQ(built.values.size(), objects->columns.size());
  CatalogEntry entry = catalogEntryFromRow(*objects, built);
  EXPECT_EQ(entry.name, "Orders");
  EXPECT_EQ(entry.kind, ObjectKind::kTable);
  EXPECT_EQ(entry.tdefPage, 321u);
  EXPECT_EQ(cell(*objects, built.values, "Owner").bytes, container->owner);
  EXPECT_DOUBLE_EQ(cell(*objects, built.values, "DateCreate").real, 46000.5);

  auto sids = rightHolders(*aces, from(rowsOf(**db, *aces)), container->id);
  ASSERT_TRUE(sids.ok()) << sids.error().description;
  ASSERT_FALSE(sids->empty());
  std::vector<Value> ace = newTableAceRow(*aces, 321, sids->front());
  EXPECT_EQ(cell(*aces, ace, "ObjectId").integer, 321);
  EXPECT_EQ(cell(*aces, ace, "SID").bytes, sids->front());
}

TEST(Catalogue, MissingTablesContainerIsRefusedNamingTheFile) {
  auto db = Database::open(kTemplate);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto objects = (*db)->table("MSysObjects");
  ASSERT_TRUE(objects.ok());
  auto container = findTablesContainer(*objects, from({}), "copy.mdb");
  ASSERT_FALSE(container.ok());
  EXPECT_EQ(container.error().number, err::kUnsupported);
  EXPECT_NE(container.error().description.find("copy.mdb"), std::string::npos);
}

}  // namespace
}  // namespace jet
