// table_def_writer_test.cpp: definitions of new tables, read back by the engine's own reader:
// column placement, flags, names, usage-map pointers; refusals name the table and column.
#include "jet/schema/table_def_writer.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"
#include "jet/pager/page_codec.h"
#include "jet/file/page_file.h"
#include "jet/schema/table_def.h"
#include "jet/create/table_layout.h"
#include "jet/core/test_scratch_folder.h"

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

TEST(TableDefWriter, ColumnsComeBackWhereTheLayoutPutThem) {
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
  auto page = writeTableDef(*def, kFormatJet4, 42);
  ASSERT_TRUE(page.ok()) << page.error().description;
  auto back = roundTrip(*page, "Orders");
  ASSERT_TRUE(back.ok()) << back.error().description;

  EXPECT_EQ(back->rowCount, 42u);
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

TEST(TableDefWriter, LayoutRefusesWhatAccessWouldNot) {
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

TEST(TableDefWriter, DefinitionLongerThanAPageIsRefused) {
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
