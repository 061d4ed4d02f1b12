// system_row_insert_test.cpp: the catalogue's index keys as Access computed them, and the
// catalogue of a file with new tables: every row, old or new, has its entry in every index.
#include "jet/create/system_row_insert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "jet/create/database_creator.h"
#include "jet/index/index_page.h"
#include "jet/file/raw_file.h"
#include "jet/core/test_scratch_folder.h"

namespace jet {
namespace {

const std::string kTemplates = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/";

std::vector<std::uint8_t> page(const std::string& path, std::uint32_t n) {
  auto file = RawFile::open(path, RawFile::Mode::kReadOnly);
  std::vector<std::uint8_t> out(4096);
  EXPECT_TRUE(file.ok() && file->readPage(n, out).ok());
  return out;
}

// For every row of MSysObjects and MSysACEs, the key computed for each index is the one stored
// for that row, and the index holds nothing else.
void expectEveryRowIndexed(const std::string& path) {
  {
    const std::string& file = path;
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok());
    Version version = (*db)->header().version;
    for (const char* name : {"MSysObjects", "MSysACEs"}) {
      auto table = loadSystemTable(**db, name);
      ASSERT_TRUE(table.ok()) << table.error().description;
      ASSERT_FALSE(table->def.indexes.empty()) << name;
      for (const IndexDef& index : table->def.indexes) {
        auto leaf = parseIndexPage(page(path, index.rootPage), formatFor(version), index.rootPage);
        ASSERT_TRUE(leaf.ok()) << leaf.error().description;
        std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>> stored;
        for (const IndexEntry& e : leaf->entries) stored[{e.row.page, e.row.row}] = e.key;
        auto scan = (*db)->scan(table->def);
        ASSERT_TRUE(scan.ok());
        Row row;
        std::size_t rows = 0;
        while (*(*scan)->next(row)) {
          auto key = systemIndexKey(*table, index, version, row.values);
          ASSERT_TRUE(key.ok()) << key.error().description;
          EXPECT_EQ(*key, (stored[{row.locator.page, row.locator.row}]))
              << file << " " << name << " index " << index.number << " row " << rows;
          ++rows;
        }
        EXPECT_EQ(rows, leaf->entries.size()) << file << " " << name;
      }
    }
  }
}

TEST(SystemRowInsert, KeysOfAccessRowsMatchAccessEntries) {
  expectEveryRowIndexed(kTemplates + "empty-jet4.mdb");
  expectEveryRowIndexed(kTemplates + "empty-ace12.accdb");
}

TEST(SystemRowInsert, NewTablesAreIndexedInTheCatalogue) {
  for (const char* file : {"empty-jet4.mdb", "empty-ace12.accdb"}) {
    testing::ScratchFolder folder;
    std::string path = folder.file(std::string("new-") + file);
    CreateOptions options;
    options.templatePath = kTemplates + file;
    auto creator = DatabaseCreator::create(path, options);
    ASSERT_TRUE(creator.ok());
    // Names chosen to sort before, between and after the system tables.
    for (const char* name : {"Zebra", "aardvark", "MSysZ", "Ünïcødé", "Mittel"}) {
      Status s = (*creator)->addTable(name, {{"A", ColumnType::kLong}});
      ASSERT_TRUE(s.ok()) << s.description();
    }
    ASSERT_TRUE((*creator)->finish().ok());
    expectEveryRowIndexed(path);
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok());
    auto objects = (*db)->table("MSysObjects");
    ASSERT_TRUE(objects.ok());
    auto original = Database::open(kTemplates + file);
    ASSERT_TRUE(original.ok());
    EXPECT_EQ(objects->rowCount, (*(*original)->table("MSysObjects")).rowCount + 5);
  }
}

}  // namespace
}  // namespace jet
