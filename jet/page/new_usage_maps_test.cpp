// new_usage_maps_test.cpp: reference maps of new tables read back by the engine's usage-map
// reader, data pages filled to their limits, and the global map after pages are added.
#include "jet/page/new_usage_maps.h"

#include <gtest/gtest.h>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/pager/page_codec.h"
#include "jet/file/page_file.h"
#include "jet/page/page_filler.h"
#include "jet/schema/table_def.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

TEST(NewUsageMaps, ReferenceMapListsItsPagesToTheReader) {
  const std::vector<std::uint32_t> owned = {5, 7, 39};
  std::vector<std::uint8_t> file(40 * 4096, 0);
  PageFiller holder(kFormatJet4, 0, false);
  std::map<std::uint32_t, std::uint32_t> slots;
  for (auto& [slot, bitmap] : buildBitmapPages(owned, 4096)) {
    std::uint32_t page = 3 + slot;
    std::copy(bitmap.begin(), bitmap.end(), file.begin() + page * 4096);
    slots[slot] = page;
  }
  holder.add(emptyInlineMapRow());
  std::uint8_t row = holder.add(referenceMapRow(slots));
  std::copy(holder.page().begin(), holder.page().end(), file.begin() + 4096);

  testing::ScratchFolder folder;
  testing::writeWhole(folder.file("m.mdb"), file);
  auto pageFile = PageFile::openReadOnly(folder.file("m.mdb"));
  ASSERT_TRUE(pageFile.ok());
  PageReader pages(**pageFile, 4096, 0);
  auto map = UsageMap::read(pages, kFormatJet4, mapPointer(1, row));
  ASSERT_TRUE(map.ok()) << map.error().description;
  EXPECT_EQ(map->kind(), UsageMap::Kind::kReference);
  EXPECT_EQ(map->pages(), owned);
  auto empty = UsageMap::read(pages, kFormatJet4, mapPointer(1, 0));
  ASSERT_TRUE(empty.ok());
  EXPECT_TRUE(empty->pages().empty());
}

TEST(NewUsageMaps, BitmapPagesSplitAtTheirReach) {
  std::uint32_t per = pagesPerBitmapPage(4096);
  EXPECT_EQ(per, 4092u * 8u);
  BitmapPages maps = buildBitmapPages({1, per - 1, per, 3 * per + 2}, 4096);
  ASSERT_EQ(maps.size(), 3u);
  EXPECT_EQ(maps.at(0)[0], 0x05);
  EXPECT_EQ(maps.at(0)[4], 0x02);
  EXPECT_EQ(maps.at(0)[4 + (per - 1) / 8], 0x80);
  EXPECT_EQ(maps.at(1)[4], 0x01);
  EXPECT_EQ(maps.at(3)[4], 0x04);
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
  std::vector<std::uint8_t> tiny(3, 1);
  int count = 0;
  while (small.fits(tiny.size())) {
    small.add(tiny);
    ++count;
  }
  EXPECT_EQ(count, 255);
  EXPECT_EQ(std::string(small.page().begin() + 4, small.page().begin() + 8), "LVAL");
}

std::vector<std::uint8_t> globalRow(std::uint32_t start, std::uint8_t fill) {
  std::vector<std::uint8_t> row(kUsageMapRowSize, fill);
  row[0] = 0;
  row[1] = static_cast<std::uint8_t>(start);
  row[2] = row[3] = row[4] = 0;
  return row;
}

bool freeBit(const std::vector<std::uint8_t>& row, std::uint32_t page) {
  std::uint32_t bit = page - u32(row, 1);
  return (row[5 + bit / 8] >> (bit % 8)) & 1;
}

TEST(NewUsageMaps, GlobalMapMarksNewPagesUsedAndMovesWhenOutOfReach) {
  auto row = globalRow(0, 0xFF);
  row[5] = 0x0F;  // pages 0-3 free, as a hole in the template
  ASSERT_TRUE(markNewPagesUsed(row, 50, 60).ok());
  EXPECT_TRUE(freeBit(row, 2));  // the template's own holes stay free
  EXPECT_TRUE(freeBit(row, 49));
  EXPECT_FALSE(freeBit(row, 50));
  EXPECT_FALSE(freeBit(row, 59));
  EXPECT_TRUE(freeBit(row, 60));

  auto far = globalRow(0, 0xFF);
  ASSERT_TRUE(markNewPagesUsed(far, 50, 1001).ok());
  std::uint32_t start = u32(far, 1);
  EXPECT_EQ(start, 1000u);
  EXPECT_FALSE(freeBit(far, 1000));
  EXPECT_TRUE(freeBit(far, 1001));

  auto reference = globalRow(0, 0);
  reference[0] = 1;
  EXPECT_FALSE(markNewPagesUsed(reference, 50, 60).ok());
}

}  // namespace
}  // namespace jet
