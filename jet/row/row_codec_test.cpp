// row_codec_test.cpp: hand-built rows the corpus does not cover well: a Jet3 row past 256
// bytes (jump table), a row written before a column was added, and damaged offsets.
#include "jet/row/row_codec.h"

#include <gtest/gtest.h>

#include "jet/core/format.h"

namespace jet {
namespace {

class NoLongValues : public LongValueSource {
 public:
  Result<std::vector<std::uint8_t>> read(Bytes) const override { return Error{1, "none"}; }
};

Column column(const char* name, ColumnType type, std::uint16_t number, std::uint16_t varIndex,
              std::uint16_t fixedOffset, bool fixed) {
  Column c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.varIndex = varIndex;
  c.fixedOffset = fixedOffset;
  c.flags = fixed ? 0x01 : 0x00;
  return c;
}

TableDef threeColumns(ColumnType textType) {
  TableDef t;
  t.name = "T";
  t.varColumnCount = 2;
  t.columns = {column("id", ColumnType::kLong, 0, 0, 0, true),
               column("a", textType, 1, 0, 0, false), column("b", textType, 2, 1, 0, false)};
  return t;
}

TEST(RowCodec, Jet3RowWithJumpTable) {
  // count, long 7, 300 x 'a', "bc", offsets (eod, b, a: low bytes), jump entry 1, var count, mask
  std::vector<std::uint8_t> row = {3, 7, 0, 0, 0};
  row.insert(row.end(), 300, 'a');
  row.insert(row.end(), {'b', 'c'});
  row.insert(row.end(), {307 & 0xFF, 305 & 0xFF, 5, 1, 2, 0x07});
  ASSERT_EQ(row.size(), 313u);
  NoLongValues none;
  RowContext ctx{kFormatJet3, 1252, none};
  auto values = decodeRow(row, threeColumns(ColumnType::kText), ctx);
  ASSERT_TRUE(values.ok()) << values.error().description;
  EXPECT_EQ((*values)[0].integer, 7);
  EXPECT_EQ((*values)[1].text, std::string(300, 'a'));
  EXPECT_EQ((*values)[2].text, "bc");
}

TEST(RowCodec, Jet4ColumnsAddedAfterTheRowAreNull) {
  TableDef t;
  t.name = "T";
  t.varColumnCount = 1;
  t.columns = {column("id", ColumnType::kLong, 0, 0, 0, true),
               column("s", ColumnType::kText, 1, 0, 0, false),
               column("later", ColumnType::kLong, 2, 0, 4, true)};
  // 2 columns written; long 9; "hi" in UCS-2; eod 10; offset 6; var count 1; mask all set
  std::vector<std::uint8_t> row = {2, 0, 9, 0, 0, 0, 'h', 0, 'i', 0, 10, 0, 6, 0, 1, 0, 0x07};
  NoLongValues none;
  RowContext ctx{kFormatJet4, 0, none};
  auto values = decodeRow(row, t, ctx);
  ASSERT_TRUE(values.ok()) << values.error().description;
  EXPECT_EQ((*values)[0].integer, 9);
  EXPECT_EQ((*values)[1].text, "hi");
  EXPECT_TRUE((*values)[2].isNull);
}

TEST(RowCodec, DamagedRowsAreErrorsNamingTheColumn) {
  NoLongValues none;
  RowContext ctx{kFormatJet4, 0, none};
  TableDef t = threeColumns(ColumnType::kText);
  // variable offset 200 in a 19-byte row
  std::vector<std::uint8_t> row = {3, 0, 1, 0, 0, 0, 'x', 0, 8, 0, 200, 0, 6, 0, 2, 0, 0x07};
  auto values = decodeRow(row, t, ctx);
  ASSERT_FALSE(values.ok());
  EXPECT_NE(values.error().description.find("column '"), std::string::npos);
  // a variable count larger than the row
  std::vector<std::uint8_t> tiny = {3, 0, 1, 0, 0, 0, 0xFF, 0x7F, 0x07};
  EXPECT_FALSE(decodeRow(tiny, t, ctx).ok());
  EXPECT_FALSE(decodeRow(std::vector<std::uint8_t>{}, t, ctx).ok());
  // a fixed column past the row's end
  TableDef wide = t;
  wide.columns[0].fixedOffset = 500;
  EXPECT_FALSE(decodeRow(row, wide, ctx).ok());
}

}  // namespace
}  // namespace jet
