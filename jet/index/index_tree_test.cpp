// index_tree_test.cpp: thousands of entries inserted into and removed from a real index of a
// Jet3 and a Jet4 file (on a temporary copy), in random order: the leaves always hold exactly
// the expected entries in order, the tree grows node levels, the index's usage map lists exactly
// the tree's pages as it grows and shrinks, and once every added entry is gone again the index
// and the file check clean. Pages a tree keeps parsed between changes are not used once their
// bytes changed behind it (another tree, an undone update).
#include "jet/index/index_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/index/index_page.h"
#include "jet/integrity_check.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

struct Case {
  const char* file;
  const char* table;
  std::size_t entries;
};

bool before(const IndexEntry& a, const IndexEntry& b) {
  if (a.key != b.key) return a.key < b.key;
  if (a.row.page != b.row.page) return a.row.page < b.row.page;
  return a.row.row < b.row.row;
}

// The leaf entries of the tree, in order, and the number of node pages met on the way down.
std::vector<IndexEntry> leaves(PageCache& pages, Version version, std::uint32_t root) {
  std::vector<IndexEntry> out;
  IndexPageReader read = [&](std::uint32_t n, std::vector<std::uint8_t>& page) -> Status {
    JET_ASSIGN_OR_RETURN(page, pages.read(n));
    return Status::success();
  };
  Status s = forEachLeafEntry(read, version, root, pages.pageCount(), [&](const IndexEntry& e) {
    out.push_back(e);
    return Status::success();
  });
  EXPECT_TRUE(s.ok()) << s.description();
  return out;
}

std::size_t depth(PageCache& pages, Version version, std::uint32_t root) {
  std::size_t levels = 1;
  for (std::uint32_t n = root;; ++levels) {
    auto page = parseIndexPage(*pages.read(n), version, n);
    if (!page.ok() || page->leaf) return levels;
    n = page->entries.empty() ? page->childTailPage : page->entries.front().childPage;
  }
}

// Every page of the tree, sorted.
std::vector<std::uint32_t> treePages(PageCache& pages, Version version, std::uint32_t root) {
  std::vector<std::uint32_t> out;
  std::vector<std::uint32_t> pending{root};
  while (!pending.empty() && out.size() <= pages.pageCount()) {
    std::uint32_t n = pending.back();
    pending.pop_back();
    out.push_back(n);
    auto page = parseIndexPage(*pages.read(n), version, n);
    if (!page.ok() || page->leaf) continue;
    for (const auto& e : page->entries) pending.push_back(e.childPage);
    if (page->childTailPage != 0) pending.push_back(page->childTailPage);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::uint32_t> mapPages(PageCache& pages, const IndexDef& index, bool jet3) {
  auto listed = UsageMapEditor(pages, MapRef::fromPointer(index.usageMapRow), jet3).pages();
  EXPECT_TRUE(listed.ok());
  return listed.ok() ? *listed : std::vector<std::uint32_t>{};
}

class IndexTreeChurn : public ::testing::TestWithParam<Case> {};

TEST_P(IndexTreeChurn, LeavesHoldExactlyTheEntriesThroughSplitsAndRemovals) {
  const std::string source = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam().file;
  if (!std::ifstream(source)) GTEST_SKIP() << "needs the corpus";
  testing::ScratchFolder scratch;
  const std::string path = scratch.file("churn.db");
  std::filesystem::copy_file(source, path);
  TableDef def;
  Version version;
  {
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto table = (*db)->table(GetParam().table);
    ASSERT_TRUE(table.ok());
    def = *table;
    version = (*db)->header().version;
  }
  ASSERT_FALSE(def.indexes.empty());
  const IndexDef& index = def.indexes.front();
  auto writer = DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok()) << writer.error().description;
  PageCache& pages = (*writer)->pages();
  PageAllocator allocator(pages, (*writer)->jet3());
  IndexTree tree(pages, allocator, version, def.tdefPage, index.rootPage,
                 MapRef::fromPointer(index.usageMapRow), "churn");
  auto expected = leaves(pages, version, index.rootPage);
  const std::size_t original = expected.size();

  std::mt19937 random(7);
  std::vector<IndexEntry> added;
  for (std::size_t i = 0; i < GetParam().entries; ++i) {
    IndexEntry e;
    e.key.push_back(0x7F);
    std::size_t length = 4 + random() % 60;
    for (std::size_t k = 0; k < length; ++k)
      e.key.push_back(static_cast<std::uint8_t>(0x40 + random() % 8));
    e.row = RowLocator{0xF00000 + static_cast<std::uint32_t>(i / 200),
                       static_cast<std::uint16_t>(i % 200)};
    ASSERT_TRUE(tree.insert(e).ok()) << i;
    added.push_back(e);
  }
  expected.insert(expected.end(), added.begin(), added.end());
  std::sort(expected.begin(), expected.end(), before);
  auto now = leaves(pages, version, index.rootPage);
  ASSERT_EQ(now.size(), expected.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    ASSERT_EQ(now[i].key, expected[i].key) << i;
    ASSERT_EQ(now[i].row, expected[i].row) << i;
  }
  EXPECT_GE(depth(pages, version, index.rootPage), 3u) << "node pages did not split";
  const bool jet3 = (*writer)->jet3();
  const auto grown = treePages(pages, version, index.rootPage);
  EXPECT_EQ(grown, mapPages(pages, index, jet3)) << "split pages missing from the usage map";
  // A second insert of an entry that is there is refused.
  EXPECT_EQ(tree.insert(added.front()).number(), err::kBadPage);

  std::shuffle(added.begin(), added.end(), random);
  for (std::size_t i = 0; i < added.size(); ++i) {
    ASSERT_TRUE(tree.remove(added[i]).ok()) << i;
    if (i % 500 == 0) {
      auto left = leaves(pages, version, index.rootPage);
      ASSERT_EQ(left.size(), original + added.size() - i - 1);
      ASSERT_TRUE(std::is_sorted(left.begin(), left.end(), before));
    }
  }
  EXPECT_EQ(tree.remove(added.front()).number(), err::kBadPage);  // already gone
  EXPECT_EQ(leaves(pages, version, index.rootPage).size(), original);
  const auto shrunk = treePages(pages, version, index.rootPage);
  EXPECT_LT(shrunk.size(), grown.size()) << "no page was dropped";
  EXPECT_EQ(shrunk, mapPages(pages, index, jet3)) << "dropped pages left in the usage map";
  ASSERT_TRUE((*writer)->close().ok());
  writer->reset();
  auto problems = checkDatabaseFile(path);
  ASSERT_TRUE(problems.ok()) << problems.error().description;
  EXPECT_TRUE(problems->empty()) << problems->front();
}

INSTANTIATE_TEST_SUITE_P(
    Files, IndexTreeChurn,
    ::testing::Values(Case{"jackcess/V1997/indexTestV1997.mdb", "Table1", 3000},
                      Case{"jackcess/V2000/indexTestV2000.mdb", "Table1", 6000},
                      Case{"jackcess/V2010/indexTestV2010.accdb", "Table1", 6000}));

// The entries for `key` that `tree` finds.
std::size_t held(IndexTree& tree, const std::vector<std::uint8_t>& key) {
  std::size_t n = 0;
  Status s = tree.forEachWithPrefix(key, [&](const IndexEntry& e) -> Result<bool> {
    if (e.key == key) ++n;
    return true;
  });
  EXPECT_TRUE(s.ok()) << s.description();
  return n;
}

TEST(IndexTreeKeptPages, ArePassedOverOnceTheirBytesChangedBehindTheTree) {
  const std::string source =
      std::string(FIELDMEND_CORPUS_DIR) + "/jackcess/V2000/indexTestV2000.mdb";
  if (!std::ifstream(source)) GTEST_SKIP() << "needs the corpus";
  testing::ScratchFolder scratch;
  const std::string path = scratch.file("kept.db");
  std::filesystem::copy_file(source, path);
  TableDef def;
  Version version;
  {
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto table = (*db)->table("Table1");
    ASSERT_TRUE(table.ok());
    def = *table;
    version = (*db)->header().version;
  }
  const IndexDef& index = def.indexes.front();
  auto writer = DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok()) << writer.error().description;
  PageCache& pages = (*writer)->pages();
  PageAllocator allocator(pages, (*writer)->jet3());
  auto tree = [&] {
    return IndexTree(pages, allocator, version, def.tdefPage, index.rootPage,
                     MapRef::fromPointer(index.usageMapRow), "kept");
  };
  IndexTree first = tree();
  IndexTree second = tree();
  const IndexEntry e{{0x7F, 0x41, 0x42}, RowLocator{0xF00000, 1}, 0};
  ASSERT_EQ(held(first, e.key), 0u);  // `first` now keeps the pages it read
  ASSERT_TRUE(second.insert(e).ok());
  EXPECT_EQ(held(first, e.key), 1u) << "a kept page hid another tree's insert";

  pages.mark();
  const IndexEntry other{e.key, RowLocator{0xF00000, 2}, 0};
  ASSERT_TRUE(first.insert(other).ok());
  ASSERT_EQ(held(first, e.key), 2u);
  pages.undo();
  EXPECT_EQ(held(first, e.key), 1u) << "a kept page outlived an undone update";
  ASSERT_TRUE(first.insert(other).ok());
  EXPECT_EQ(held(second, e.key), 2u);
}

}  // namespace
}  // namespace jet
