// data_page_editor_test.cpp: replacing and appending rows keeps numbering, flags and free space.
#include "jet/page/data_page_editor.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

using ByteVector = std::vector<std::uint8_t>;

Page pageWithRows(bool jet3, std::vector<std::size_t> sizes) {
  Page page(jet3 ? 2048 : 4096);
  DataPageEditor::initialise(page, jet3, 77, false);
  DataPageEditor data(page, jet3);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::uint16_t flags = i == 1 ? DataPageEditor::kRowDeleted : 0;
    EXPECT_TRUE(data.append(ByteVector(sizes[i], static_cast<std::uint8_t>(i + 1)), flags));
  }
  return page;
}

std::uint16_t storedFree(const Page& p) { return static_cast<std::uint16_t>(p[2] | (p[3] << 8)); }

TEST(DataPageEditor, ReplaceKeepsNumbersFlagsAndEarlierRowsInPlace) {
  for (bool jet3 : {true, false}) {
    Page page = pageWithRows(jet3, {10, 20, 30, 40});
    DataPageEditor data(page, jet3);
    auto row0 = data.bounds(0);
    ASSERT_TRUE(data.replace(2, ByteVector(100, 0xAB), 0));
    EXPECT_EQ(data.rowCount(), 4u);
    EXPECT_EQ(data.bounds(0), row0);  // rows before the changed one do not move
    EXPECT_EQ(data.flags(1), DataPageEditor::kRowDeleted);
    EXPECT_EQ(ByteVector(data.rowBytes(2).begin(), data.rowBytes(2).end()), ByteVector(100, 0xAB));
    EXPECT_EQ(ByteVector(data.rowBytes(3).begin(), data.rowBytes(3).end()), ByteVector(40, 4));
    EXPECT_EQ(storedFree(page), data.freeSpace());
    ASSERT_TRUE(data.replace(2, ByteVector(1, 0xCD), DataPageEditor::kRowOverflow));
    EXPECT_EQ(data.flags(2), DataPageEditor::kRowOverflow);
    EXPECT_EQ(ByteVector(data.rowBytes(3).begin(), data.rowBytes(3).end()), ByteVector(40, 4));
    EXPECT_EQ(storedFree(page), data.freeSpace());
    EXPECT_TRUE(data.valid());
  }
}

TEST(DataPageEditor, RowsThatDoNotFitLeaveThePageAlone) {
  Page page = pageWithRows(false, {1000, 1000, 1000});
  Page copy = page;
  DataPageEditor data(page, false);
  std::size_t free = data.freeSpace();
  EXPECT_FALSE(data.replace(0, ByteVector(1000 + free + 1, 1), 0));
  EXPECT_EQ(page, copy);
  EXPECT_TRUE(data.replace(0, ByteVector(1000 + free, 1), 0));  // exactly full
  EXPECT_EQ(data.freeSpace(), 0u);
  EXPECT_FALSE(data.append(ByteVector(0, 0), 0));  // no room for its row-table entry
}

TEST(DataPageEditor, AtMost255RowsPerPage) {
  Page page(4096);
  DataPageEditor::initialise(page, false, 5, false);
  DataPageEditor data(page, false);
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(data.append(ByteVector(2, 1), 0));
  EXPECT_FALSE(data.append(ByteVector(2, 1), 0));
  EXPECT_EQ(data.rowCount(), 255u);
}

TEST(DataPageEditor, LongValuePagesAreOwnedByLval) {
  Page page(4096);
  DataPageEditor::initialise(page, false, 0, true);
  EXPECT_EQ(std::string(page.begin() + 4, page.begin() + 8), "LVAL");
  EXPECT_EQ(storedFree(page), 4096 - 14);
}

TEST(DataPageEditor, DamagedRowTablesAreNotEdited) {
  Page page = pageWithRows(false, {10, 10});
  page[14] = 0xFF;  // row 0 starts past the page end
  page[15] = 0x1F;
  DataPageEditor data(page, false);
  EXPECT_FALSE(data.valid());
  EXPECT_FALSE(data.replace(1, ByteVector(3, 3), 0));
  EXPECT_FALSE(data.append(ByteVector(3, 3), 0));
}

}  // namespace
}  // namespace jet
