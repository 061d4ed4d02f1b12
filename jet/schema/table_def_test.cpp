// table_def_test.cpp: definitions of new tables, read back by the engine's own reader: column
// placement, flags, names, usage-map pointers and counters; refusals name the table and column.
// Definitions Access wrote are read by the corpus tests and compared field by field with new ones
// in tests/create.
#include "jet/schema/table_def.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/file/page_file.h"
#include "jet/pager/page_codec.h"

namespace jet {
namespace {

// Writes `tdef` as page 1 of a scratch file and reads it back.
Result<TableDef> roundTrip(const std::vector<std::uint8_t>& tdef, const std::string& name) {
  testing::ScratchFolder folder;
  std::vector<std::uint8_t> file(4096, 0);
  file.insert(file.end(), tdef.begin(), tdef.end());
  testing::writeWhole(folder.file("t.mdb"), file);
  JET_ASSIGN_OR_RETURN(auto pageFile, PageFile::openReadOnly(folder.file("t.mdb")));
  PageReader pages(*pageFile, 4096, 0);
  return readTableDef(pages, kFormatJet4, 1, name, 0);
}

TEST(TableDef, ColumnsComeBackWhereTheLayoutPutThem) {
  auto def = layoutTable("Orders", {{"Id", ColumnType::kLong},
                                    {"Note", ColumnType::kMemo},
                                    {"Name", ColumnType::kText, 30},
                                    {"Paid", ColumnType::kBoolean},
                                    {"Total", ColumnType::kCurrency},
                                    {"Kürzel", ColumnType::kText, 5},
                                    {"Day", ColumnType::kDateTime}});
  ASSERT_TRUE(def.ok()) << def.error().description;
  def->tdefPage = 1;
  def->ownedMap = mapPointer(9, 0);
  def->freeMap = mapPointer(9, 1);
  def->longValueMaps.push_back({1, mapPointer(9, 2), mapPointer(9, 3)});
  def->indexes.push_back({0, {{4, false}, {0, true}}, 11, kIndexUnique, mapPointer(9, 4)});
  def->logicalIndexes.push_back({"ByTotal", 0, 0, kLogicalPrimaryKey});
  auto page = writeTableDef(*def, kFormatJet4, 42);
  ASSERT_TRUE(page.ok()) << page.error().description;
  setIndexCounts(*page, kFormatJet4, 0, 3, 2);
  ASSERT_TRUE(addToUniqueEntryCount(*page, kFormatJet4, 0, 1));
  EXPECT_EQ(readUniqueEntryCount(*page, kFormatJet4, 0), 3u);
  EXPECT_FALSE(readUniqueEntryCount(*page, kFormatJet4, 400).has_value());  // past the page
  auto back = roundTrip(*page, "Orders");
  ASSERT_TRUE(back.ok()) << back.error().description;

  EXPECT_EQ(back->rowCount, 42u);
  ASSERT_EQ(back->indexes.size(), 1u);
  EXPECT_EQ(back->indexes[0].rootPage, 11u);
  EXPECT_EQ(back->indexes[0].usageMapRow, mapPointer(9, 4));
  EXPECT_EQ(back->indexes[0].flags, kIndexUnique);
  ASSERT_EQ(back->indexes[0].columns.size(), 2u);
  EXPECT_EQ(back->indexes[0].columns[0].columnNumber, 4);
  EXPECT_FALSE(back->indexes[0].columns[0].ascending);
  ASSERT_EQ(back->logicalIndexes.size(), 1u);
  EXPECT_EQ(back->logicalIndexes[0].name, "ByTotal");
  EXPECT_EQ(back->logicalIndexes[0].type, kLogicalPrimaryKey);
  EXPECT_EQ(back->tableType, 0x4E);
  EXPECT_EQ(back->ownedMap, mapPointer(9, 0));
  EXPECT_EQ(back->freeMap, mapPointer(9, 1));
  ASSERT_EQ(back->longValueMaps.size(), 1u);
  EXPECT_EQ(back->longValueMaps[0].columnNumber, 1);
  EXPECT_EQ(back->longValueMaps[0].freeMap, mapPointer(9, 3));
  ASSERT_EQ(back->columns.size(), def->columns.size());
  for (std::size_t i = 0; i < def->columns.size(); ++i) {
    const Column& want = def->columns[i];
    const Column& got = back->columns[i];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.type, want.type);
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.fixed(), want.fixed()) << want.name;
    EXPECT_EQ(got.length, want.length) << want.name;
    if (want.fixed()) {
      EXPECT_EQ(got.fixedOffset, want.fixedOffset) << want.name;
    } else {
      EXPECT_EQ(got.varIndex, want.varIndex) << want.name;
      EXPECT_TRUE(got.compressedUnicode()) << want.name;
      EXPECT_EQ(got.sortOrder, 1033) << want.name;
    }
  }
  // Fixed columns packed in order, booleans in the null mask; texts before memos.
  EXPECT_EQ(def->columns[0].fixedOffset, 0);
  EXPECT_EQ(def->columns[4].fixedOffset, 4);
  EXPECT_EQ(def->columns[6].fixedOffset, 12);
  EXPECT_EQ(def->columns[2].varIndex, 0);
  EXPECT_EQ(def->columns[5].varIndex, 1);
  EXPECT_EQ(def->columns[1].varIndex, 2);
  EXPECT_EQ(def->columns[2].length, 60);  // bytes of UCS-2
}

TEST(TableDef, LayoutRefusesWhatAccessWouldNot) {
  auto named = [](const std::string& n) { return layoutTable(n, {{"A", ColumnType::kLong}}); };
  EXPECT_FALSE(named("").ok());
  EXPECT_FALSE(named(" Lead").ok());
  EXPECT_FALSE(named("a.b").ok());
  EXPECT_FALSE(named("x[1]").ok());
  EXPECT_FALSE(named(std::string(65, 'n')).ok());
  EXPECT_TRUE(named(std::string(64, 'n')).ok());
  EXPECT_FALSE(layoutTable("T", {}).ok());

  auto dup = layoutTable("T", {{"Name", ColumnType::kLong}, {"NAME", ColumnType::kText}});
  ASSERT_FALSE(dup.ok());
  EXPECT_NE(dup.error().description.find("\"NAME\""), std::string::npos);
  auto ole = layoutTable("T", {{"Pic", ColumnType::kOle}});
  ASSERT_FALSE(ole.ok());
  EXPECT_NE(ole.error().description.find("\"Pic\""), std::string::npos);
  EXPECT_FALSE(layoutTable("T", {{"S", ColumnType::kText, 256}}).ok());
  EXPECT_FALSE(layoutTable("T", {{"S", ColumnType::kText, 0}}).ok());
}

TEST(TableDef, DefinitionLongerThanAPageIsRefused) {
  std::vector<ColumnSpec> columns;
  for (int i = 0; i < 60; ++i) {
    columns.push_back({"A rather long column name number " + std::to_string(i), ColumnType::kLong});
  }
  auto def = layoutTable("Wide", columns);
  ASSERT_TRUE(def.ok());
  auto page = writeTableDef(*def, kFormatJet4, 0);
  ASSERT_FALSE(page.ok());
  EXPECT_EQ(page.error().number, err::kUnsupported);
  EXPECT_NE(page.error().description.find("\"Wide\""), std::string::npos);
}

}  // namespace
}  // namespace jet
