// row_layout_test.cpp: rows cut and joined for both formats, Jet3 jump tables past 256 bytes.
#include "jet/row/row_layout.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

RowLayout sample(std::uint16_t columns, std::vector<std::size_t> sizes) {
  RowLayout r;
  r.columnCount = columns;
  r.fixed = {1, 2, 3, 4};
  r.nullMask.assign((columns + 7u) / 8u, 0xFF);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    r.variable.emplace_back(sizes[i], static_cast<std::uint8_t>('a' + i));
  }
  return r;
}

void expectSame(const RowLayout& a, const RowLayout& b) {
  EXPECT_EQ(a.columnCount, b.columnCount);
  EXPECT_EQ(a.fixed, b.fixed);
  EXPECT_EQ(a.variable, b.variable);
  EXPECT_EQ(a.nullMask, b.nullMask);
}

TEST(RowLayout, JoinedRowsSplitBackForBothFormats) {
  for (bool jet3 : {true, false}) {
    // Sizes chosen so Jet3 offsets cross one, two and several 256-byte boundaries, with empty
    // (deleted or empty) columns on and around the crossings.
    for (auto sizes : std::vector<std::vector<std::size_t>>{{},
                                                            {0},
                                                            {5, 0, 7},
                                                            {250, 10},
                                                            {256, 0, 0, 300},
                                                            {600, 1, 700},
                                                            {100, 100, 100, 100, 100}}) {
      RowLayout row = sample(9, sizes);
      ByteVector bytes = joinRow(row, jet3);
      auto back = splitRow(bytes, jet3, true);
      ASSERT_TRUE(back.ok()) << back.error().description;
      expectSame(*back, row);
    }
  }
}

TEST(RowLayout, Jet3JumpTableMarksEachBoundaryCrossed) {
  RowLayout row = sample(3, {300, 10});  // column 1 starts past 256, the end too
  ByteVector bytes = joinRow(row, true);
  std::size_t mask = 1;
  std::size_t jumps = (bytes.size() - 1) / 256;
  ASSERT_EQ(jumps, 1u);
  EXPECT_EQ(bytes[bytes.size() - mask - 1], 2);  // variable count
  EXPECT_EQ(bytes[bytes.size() - mask - 2], 1);  // first offset at or past 256: column 1
}

TEST(RowLayout, TablesWithoutVariableColumnsHaveNoVariableTable) {
  RowLayout row = sample(2, {});
  row.hasVariableTable = false;
  ByteVector bytes = joinRow(row, false);
  EXPECT_EQ(bytes.size(), 2u + 4u + 1u);
  auto back = splitRow(bytes, false, false);
  ASSERT_TRUE(back.ok());
  expectSame(*back, row);
}

TEST(RowLayout, DamagedRowsAreErrorsNotReads) {
  ByteVector good = joinRow(sample(9, {5, 6}), false);
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    ByteVector shorter(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    (void)splitRow(shorter, false, true);  // must not read out of bounds (checked under ASan)
  }
  ByteVector bad = good;
  bad[bad.size() - 2 - 2 - 2] = 0xFF;  // variable column 0 starts past the row
  bad[bad.size() - 2 - 2 - 1] = 0x7F;
  EXPECT_FALSE(splitRow(bad, false, true).ok());
}

TEST(RowLayout, WidenAddsNullColumnsAndEmptySlots) {
  RowLayout row = sample(3, {2});
  row.widen(12, 4);
  EXPECT_EQ(row.columnCount, 12);
  EXPECT_EQ(row.nullMask.size(), 2u);
  EXPECT_FALSE(row.notNull(11));
  EXPECT_EQ(row.variable.size(), 4u);
  row.setNotNull(11, true);
  EXPECT_TRUE(row.notNull(11));
  row.setNotNull(0, false);
  EXPECT_FALSE(row.notNull(0));
}

}  // namespace
}  // namespace jet
