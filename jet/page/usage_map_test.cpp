// usage_map_test.cpp: maps of new tables read back by the reader; setting bits in inline and
// reference maps, sliding, promotion to a reference map, growing and sliding the global map, on
// pages built in memory; the global map of a new file after pages are added.
#include "jet/page/usage_map.h"

#include <gtest/gtest.h>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/file/page_file.h"
#include "jet/page/data_page.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/memory_page_source.h"
#include "jet/pager/page_codec.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

using ByteVector = std::vector<std::uint8_t>;

ByteVector inlineMap(std::uint32_t start, std::size_t bitmapBytes, std::uint8_t fill) {
  ByteVector row{0, static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(start >> 8),
            static_cast<std::uint8_t>(start >> 16), static_cast<std::uint8_t>(start >> 24)};
  row.resize(5 + bitmapBytes, fill);
  return row;
}

// Page 1: row 0 the global map (pages past `filePages` free), row 1 a table's owned map
// listing page 3.
MemoryPageSource smallFile(std::uint32_t filePages) {
  MemoryPageSource source(4096, filePages);
  Page& p = source.page(1);
  DataPageEditor::initialise(p, kFormatJet4, 0, false);
  DataPageEditor data(p, kFormatJet4);
  ByteVector global = inlineMap(0, 64, 0);
  for (std::uint32_t i = filePages; i < 512; ++i)
    global[5 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  EXPECT_TRUE(data.append(global, 0));
  ByteVector owned = inlineMap(0, 64, 0);
  owned[5] = 0x08;  // page 3
  EXPECT_TRUE(data.append(owned, 0));
  return source;
}

TEST(UsageMapEditor, InlineBitsSlideAndPromote) {
  MemoryPageSource source = smallFile(8);
  PageCache cache(source);
  PageAllocator allocator(cache, kFormatJet4);
  UsageMapEditor owned(cache, MapRef{1, 1}, kFormatJet4, &allocator);
  ASSERT_TRUE(owned.set(5, true).ok());
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3, 5}));
  ASSERT_TRUE(owned.set(3, false).ok());
  // Page 5 alone lets the window slide forward to reach page 400 + 5.
  ASSERT_TRUE(owned.set(405, true).ok());
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{5, 405}));
  EXPECT_EQ(owned.range()->first, 0u);
  ASSERT_TRUE(owned.set(3000, true).ok());  // cannot slide: becomes a reference map
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{5, 405, 3000}));
  EXPECT_TRUE(*owned.contains(3000));
  EXPECT_FALSE(*owned.contains(3001));
  // Its map page came from the allocator and is used in the global map.
  UsageMapEditor global(cache, kGlobalUsageMap, kFormatJet4);
  EXPECT_FALSE(*global.contains(8, true));
  EXPECT_EQ(cache.read(8)->at(0), 0x05);
}

TEST(UsageMapEditor, WithoutAnAllocatorPromotionIsRefused) {
  MemoryPageSource source = smallFile(8);
  PageCache cache(source);
  UsageMapEditor owned(cache, MapRef{1, 1}, kFormatJet4);
  EXPECT_FALSE(owned.set(3000, true).ok());
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3}));
}

TEST(UsageMapEditor, GlobalMapGrowsToReachNewPages) {
  MemoryPageSource source = smallFile(600);  // the file already runs past the map's 512 pages
  PageCache cache(source);
  PageAllocator allocator(cache, kFormatJet4);
  auto page = allocator.allocate();
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_EQ(*page, 600u);
  UsageMapEditor global(cache, kGlobalUsageMap, kFormatJet4);
  EXPECT_EQ(global.range()->second, 1024u);
  EXPECT_FALSE(*global.contains(550, true));  // inside the file: taken as used
  EXPECT_FALSE(*global.contains(600, true));  // the new page
  EXPECT_TRUE(*global.contains(601, false));  // past the file's end: free
  // The other map on the page kept its row number and contents.
  UsageMapEditor owned(cache, MapRef{1, 1}, kFormatJet4);
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3}));
}

TEST(UsageMapEditor, GlobalMapSlidesWhenItsRowCannotGrow) {
  MemoryPageSource source = smallFile(600);
  {
    DataPageEditor data(source.page(1), kFormatJet4);
    ASSERT_TRUE(data.append(ByteVector(data.freeSpace() - 8, 0xAA), 0));  // leaves no room to grow
  }
  PageCache cache(source);
  PageAllocator allocator(cache, kFormatJet4);
  UsageMapEditor global(cache, kGlobalUsageMap, kFormatJet4);
  ASSERT_TRUE(global.set(100, true).ok());  // a free page the slide leaves behind
  ASSERT_TRUE(global.set(500, true).ok());  // a free page the slide keeps
  auto page = allocator.allocate();
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_EQ(*page, 600u);
  auto range = *global.range();
  EXPECT_EQ(range.second - range.first, 512u);  // same row size, window moved
  EXPECT_LE(range.first, 600u - 200u);
  EXPECT_GT(range.second, 700u);
  EXPECT_FALSE(*global.contains(100, false));  // left behind: counted as used, never reused
  EXPECT_TRUE(*global.contains(500, false));
  EXPECT_FALSE(*global.contains(550, true));
  EXPECT_FALSE(*global.contains(600, true));
  EXPECT_TRUE(*global.contains(601, false));
  // A second page goes in without another slide.
  ASSERT_TRUE(allocator.allocate().ok());
  EXPECT_EQ(global.range()->first, range.first);
  EXPECT_FALSE(*global.contains(601, true));
  UsageMapEditor owned(cache, MapRef{1, 1}, kFormatJet4);
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3}));
}

TEST(PageCache, UndoRestoresPagesAndLength) {
  MemoryPageSource source = smallFile(8);
  PageCache cache(source);
  Page changed(4096, 7);
  ASSERT_TRUE(cache.write(4, changed).ok());
  cache.mark();
  ASSERT_TRUE(cache.write(4, Page(4096, 9)).ok());
  ASSERT_TRUE(cache.write(5, Page(4096, 9)).ok());
  EXPECT_EQ(cache.appendPage(), 8u);
  cache.undo();
  EXPECT_EQ(cache.pageCount(), 8u);
  EXPECT_EQ(*cache.read(4), changed);
  EXPECT_EQ(cache.read(5)->at(0), 0);
  EXPECT_EQ(cache.changes().size(), 1u);
  EXPECT_FALSE(cache.write(9, Page(4096, 1)).ok());  // past the end
}

TEST(UsageMap, ReferenceMapListsItsPagesToTheReader) {
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

TEST(UsageMap, BitmapPagesSplitAtTheirReach) {
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

TEST(UsageMap, GlobalMapMarksNewPagesUsedAndMovesWhenOutOfReach) {
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
