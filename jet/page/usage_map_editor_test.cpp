// usage_map_editor_test.cpp: setting bits in inline and reference maps, sliding, promotion to a
// reference map, and growing the global map, on pages built in memory.
#include "jet/page/usage_map_editor.h"

#include <gtest/gtest.h>

#include "jet/page/data_page_editor.h"
#include "jet/pager/memory_page_source.h"
#include "jet/page/page_allocator.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes inlineMap(std::uint32_t start, std::size_t bitmapBytes, std::uint8_t fill) {
  Bytes row{0, static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(start >> 8),
            static_cast<std::uint8_t>(start >> 16), static_cast<std::uint8_t>(start >> 24)};
  row.resize(5 + bitmapBytes, fill);
  return row;
}

// Page 1: row 0 the global map (pages past `filePages` free), row 1 a table's owned map
// listing page 3.
MemoryPageSource smallFile(std::uint32_t filePages) {
  MemoryPageSource source(4096, filePages);
  Page& p = source.page(1);
  DataPageEditor::initialise(p, false, 0, false);
  DataPageEditor data(p, false);
  Bytes global = inlineMap(0, 64, 0);
  for (std::uint32_t i = filePages; i < 512; ++i)
    global[5 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  EXPECT_TRUE(data.append(global, 0));
  Bytes owned = inlineMap(0, 64, 0);
  owned[5] = 0x08;  // page 3
  EXPECT_TRUE(data.append(owned, 0));
  return source;
}

TEST(UsageMapEditor, InlineBitsSlideAndPromote) {
  MemoryPageSource source = smallFile(8);
  PageCache cache(source);
  PageAllocator allocator(cache, false);
  UsageMapEditor owned(cache, MapRef{1, 1}, false, &allocator);
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
  UsageMapEditor global(cache, MapRef{1, 0}, false);
  EXPECT_FALSE(*global.contains(8, true));
  EXPECT_EQ(cache.read(8)->at(0), 0x05);
}

TEST(UsageMapEditor, WithoutAnAllocatorPromotionIsRefused) {
  MemoryPageSource source = smallFile(8);
  PageCache cache(source);
  UsageMapEditor owned(cache, MapRef{1, 1}, false);
  EXPECT_FALSE(owned.set(3000, true).ok());
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3}));
}

TEST(UsageMapEditor, GlobalMapGrowsToReachNewPages) {
  MemoryPageSource source = smallFile(600);  // the file already runs past the map's 512 pages
  PageCache cache(source);
  PageAllocator allocator(cache, false);
  auto page = allocator.allocate();
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_EQ(*page, 600u);
  UsageMapEditor global(cache, MapRef{1, 0}, false);
  EXPECT_EQ(global.range()->second, 1024u);
  EXPECT_FALSE(*global.contains(550, true));  // inside the file: taken as used
  EXPECT_FALSE(*global.contains(600, true));  // the new page
  EXPECT_TRUE(*global.contains(601, false));  // past the file's end: free
  // The other map on the page kept its row number and contents.
  UsageMapEditor owned(cache, MapRef{1, 1}, false);
  EXPECT_EQ(*owned.pages(), (std::vector<std::uint32_t>{3}));
}

TEST(UsageMapEditor, GlobalMapSlidesWhenItsRowCannotGrow) {
  MemoryPageSource source = smallFile(600);
  {
    DataPageEditor data(source.page(1), false);
    ASSERT_TRUE(data.append(Bytes(data.freeSpace() - 8, 0xAA), 0));  // leaves no room to grow
  }
  PageCache cache(source);
  PageAllocator allocator(cache, false);
  UsageMapEditor global(cache, MapRef{1, 0}, false);
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
  UsageMapEditor owned(cache, MapRef{1, 1}, false);
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

}  // namespace
}  // namespace jet
