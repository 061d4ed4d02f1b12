// table_catalogue_test.cpp: the user tables of real files in catalogue order, the files that give
// no list or an error, and the probe.
#include "db/table_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/connection.h"
#include "db/connection_string.h"
#include "jet/database.h"
#include "jet/core/error_codes.h"

namespace db {
namespace {

std::string corpus(const std::string& name) {
  return std::string(FIELDMEND_CORPUS_DIR) + "/" + name;
}

std::vector<std::string> tablesOf(const std::string& path, const std::string& password = {}) {
  auto listed = listTables(path, buildConnectionString(path, password));
  EXPECT_TRUE(listed.ok()) << listed.error().description;
  if (!listed.ok() || !listed->has_value()) return {};
  return **listed;
}

TEST(TableCatalogue, ListsOnlyUserTablesInCatalogueOrder) {
  EXPECT_EQ(tablesOf(corpus("jackcess/V2003/testV2003.mdb")),
            (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
  auto weird = tablesOf(corpus("ucanaccess/weirdObjectNames.mdb"));
  ASSERT_EQ(weird.size(), 1u);
  EXPECT_TRUE(weird[0].starts_with("19 MB 01 BEZAHLT "));  // spaces kept
  // Linked tables are schema rows of type "LINK": none of them is listed.
  std::string linked = corpus("ucanaccess/linked.mdb");
  auto connection = Connection::open(buildConnectionString(linked, ""));
  ASSERT_TRUE(connection.ok());
  auto rows = (*connection)->tableSchema();
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](auto& r) { return r.tableType == "LINK"; }));
  EXPECT_TRUE(
      std::any_of(rows.begin(), rows.end(), [](auto& r) { return r.tableType == "SYSTEM TABLE"; }));
  EXPECT_TRUE(tablesOf(linked).empty());
}

TEST(TableCatalogue, EveryFileOfTheCorpusAgreesWithTheReadersCatalogue) {
  for (const char* name :
       {"jackcess/V1997/testV1997.mdb", "jackcess/V2007/testV2007.accdb",
        "jackcess/V2019/extDateTestV2019.accdb", "mdb-reader/real/ASampleDatabase.accdb"}) {
    auto db = jet::Database::open(corpus(name));
    ASSERT_TRUE(db.ok()) << name;
    std::vector<std::string> want;
    for (const auto& e : (*db)->catalogue()) {
      if (e.kind == jet::ObjectKind::kTable) want.push_back(e.name);
    }
    EXPECT_EQ(tablesOf(corpus(name)), want) << name;
  }
}

TEST(TableCatalogue, AMissingFileGivesNoListAndABadPasswordAnError) {
  std::string missing = corpus("no-such-file.mdb");
  auto none = listTables(missing, buildConnectionString(missing, ""));
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->has_value());

  std::string locked = corpus("ucanaccess/password.mdb");
  auto refused = listTables(locked, buildConnectionString(locked, "wrong"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().description.find("wrong"), std::string::npos);
  auto empty = listTables(locked, buildConnectionString(locked, "ucanaccess"));
  ASSERT_TRUE(empty.ok() && empty->has_value());
  EXPECT_TRUE((*empty)->empty());
}

TEST(TableCatalogue, TheProbeOpensTheTableOrSaysWhyNot) {
  std::string file = corpus("ucanaccess/weirdObjectNames.mdb");
  auto names = tablesOf(file);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(probeTable(buildConnectionString(file, ""), names[0]).ok());
  jet::Status missing = probeTable(buildConnectionString(file, ""), "Nowhere");
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.description().find("Nowhere"), std::string::npos);
}

TEST(TableCatalogue, TheSelectStatementKeepsTheNameAndDoublesGraveAccents) {
  EXPECT_EQ(selectAllStatement("My Table"), "SELECT * FROM `My Table`");
  EXPECT_EQ(selectAllStatement("a`b"), "SELECT * FROM `a``b`");
}

}  // namespace
}  // namespace db
