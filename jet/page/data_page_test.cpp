// data_page_test.cpp: replacing and appending rows keeps numbering, flags and free space; fresh
// pages fill to their room and row limit; damaged row tables are neither read nor edited.
#include "jet/page/data_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

namespace jet {
namespace {

using ByteVector = std::vector<std::uint8_t>;

Page pageWithRows(const Format& f, std::vector<std::size_t> sizes) {
  Page page(f.pageSize);
  DataPageEditor::initialise(page, f, 77, false);
  DataPageEditor data(page, f);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::uint16_t flags = i == 1 ? DataPageEditor::kRowDeleted : 0;
    EXPECT_TRUE(data.append(ByteVector(sizes[i], static_cast<std::uint8_t>(i + 1)), flags));
  }
  return page;
}

std::uint16_t storedFree(const Page& p) { return u16(p, 2); }

// The page a replacement must leave: the header of `old`, the rows packed from the end in order
// behind their table, the rest zero; none when they do not fit.
std::optional<Page> packed(const Page& old, const Format& f, const std::vector<ByteVector>& rows,
                           const std::vector<std::uint16_t>& flags) {
  std::size_t used = f.dataRowTable + 2 * rows.size();
  for (const auto& r : rows) used += r.size();
  if (used > old.size()) return std::nullopt;
  Page page(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(f.dataRowTable));
  page.resize(old.size(), 0);
  std::size_t end = page.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    end -= rows[i].size();
    std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<std::ptrdiff_t>(end));
    put16(page, f.dataRowTable + 2 * i, static_cast<std::uint16_t>(end | flags[i]));
  }
  put16(page, f.dataRowCount, static_cast<std::uint16_t>(rows.size()));
  put16(page, 2, static_cast<std::uint16_t>(page.size() - used));
  return page;
}

TEST(DataPageEditor, ReplaceKeepsNumbersFlagsAndEarlierRowsInPlace) {
  for (const Format* f : {&kFormatJet3, &kFormatJet4}) {
    Page page = pageWithRows(*f, {10, 20, 30, 40});
    DataPageEditor data(page, *f);
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
    // The reader sees the same rows.
    auto slot = dataRow(page, *f, 2);
    ASSERT_TRUE(slot.ok()) << slot.error().description;
    EXPECT_TRUE(slot->overflow);
    EXPECT_EQ(ByteVector(slot->bytes.begin(), slot->bytes.end()), ByteVector(1, 0xCD));
  }
}

// Replacing a row gives the packed layout of the same rows, whatever lay in the gap before; a
// row that does not fit leaves the page as it was.
TEST(DataPageEditor, ReplaceLeavesThePackedLayoutWhateverLayInTheGap) {
  std::mt19937 random(3);
  for (const Format* f : {&kFormatJet3, &kFormatJet4}) {
    for (int round = 0; round < 400; ++round) {
      const std::size_t n = 1 + random() % 12;
      std::vector<ByteVector> rows;
      std::vector<std::uint16_t> flags;
      for (std::size_t i = 0; i < n; ++i) {
        rows.emplace_back(random() % 120, static_cast<std::uint8_t>(random()));
        flags.push_back(random() % 3 == 0 ? DataPageEditor::kRowDeleted : 0);
      }
      Page page(f->pageSize);
      DataPageEditor::initialise(page, *f, 77, false);
      page = *packed(page, *f, rows, flags);
      DataPageEditor data(page, *f);
      const std::size_t lowest = data.bounds(n - 1)->first;
      std::fill(page.begin() + static_cast<std::ptrdiff_t>(lowest - data.freeSpace()),
                page.begin() + static_cast<std::ptrdiff_t>(lowest), 0x5A);
      const std::size_t row = random() % n;
      rows[row] = ByteVector(random() % 200, 0xEE);
      flags[row] = random() % 2 == 0 ? DataPageEditor::kRowOverflow : 0;
      const std::optional<Page> expected = packed(page, *f, rows, flags);
      const Page before = page;
      ASSERT_EQ(data.replace(row, rows[row], flags[row]), expected.has_value())
          << "round " << round;
      EXPECT_EQ(page, expected ? *expected : before) << "round " << round;
    }
  }
  // The new bytes may be read from the page itself.
  Page page = pageWithRows(kFormatJet4, {10, 20, 30});
  DataPageEditor data(page, kFormatJet4);
  ASSERT_TRUE(data.replace(2, data.rowBytes(0), 0));
  EXPECT_EQ(ByteVector(data.rowBytes(2).begin(), data.rowBytes(2).end()), ByteVector(10, 1));
}

TEST(DataPageEditor, RowsThatDoNotFitLeaveThePageAlone) {
  Page page = pageWithRows(kFormatJet4, {1000, 1000, 1000});
  Page copy = page;
  DataPageEditor data(page, kFormatJet4);
  std::size_t free = data.freeSpace();
  EXPECT_FALSE(data.replace(0, ByteVector(1000 + free + 1, 1), 0));
  EXPECT_EQ(page, copy);
  EXPECT_TRUE(data.replace(0, ByteVector(1000 + free, 1), 0));  // exactly full
  EXPECT_EQ(data.freeSpace(), 0u);
  EXPECT_FALSE(data.append(ByteVector(0, 0), 0));  // no room for its row-table entry
}

TEST(PageFiller, StopsAtRoomAndAtTheRowLimit) {
  PageFiller big(kFormatJet4, 77, false);
  std::vector<std::uint8_t> row(1000, 0xAB);
  int added = 0;
  while (big.fits(row.size())) {
    EXPECT_EQ(big.add(row), added);
    ++added;
  }
  EXPECT_EQ(added, 4);  // 4 * (1000 + 2) fit in 4096 - 14
  EXPECT_EQ(u32(big.page(), 4), 77u);
  EXPECT_EQ(u16(big.page(), 2), 4096 - 14 - 4 * 1002);
  EXPECT_EQ(u16(big.page(), 14 + 2), 4096 - 2000);

  PageFiller small(kFormatJet4, 0, true);
  EXPECT_EQ(storedFree(small.page()), 4096 - 14);
  std::vector<std::uint8_t> tiny(3, 1);
  int count = 0;
  while (small.fits(tiny.size())) {
    small.add(tiny);
    ++count;
  }
  EXPECT_EQ(count, 255);
  EXPECT_EQ(std::string(small.page().begin() + 4, small.page().begin() + 8), "LVAL");
}

TEST(DataPageEditor, DamagedRowTablesAreNotEdited) {
  Page page = pageWithRows(kFormatJet4, {10, 10});
  page[14] = 0xFF;  // row 0 starts past the page end
  page[15] = 0x1F;
  DataPageEditor data(page, kFormatJet4);
  EXPECT_FALSE(data.valid());
  EXPECT_FALSE(data.replace(1, ByteVector(3, 3), 0));
  EXPECT_FALSE(data.append(ByteVector(3, 3), 0));
  EXPECT_FALSE(dataRow(page, kFormatJet4, 0).ok());
  // Row 1 (deleted) ends where row 0 starts, so it is out of bounds too: read as empty.
  auto deleted = dataRow(page, kFormatJet4, 1);
  ASSERT_TRUE(deleted.ok());
  EXPECT_TRUE(deleted->deleted);
  EXPECT_TRUE(deleted->bytes.empty());
}

}  // namespace
}  // namespace jet
