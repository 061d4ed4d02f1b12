// index_tree_test.cpp: thousands of entries inserted into and removed from a real index of a
// Jet3 and a Jet4 file (on a temporary copy), in random order: the leaves always hold exactly
// the expected entries in order, the tree grows node levels, the index's usage map lists exactly
// the tree's pages as it grows and shrinks, and once every added entry is gone again the index
// and the file check clean. Pages a tree keeps parsed between changes are not used once their
// bytes changed behind it (another tree, an undone update). Then the single-leaf insertion of
// catalogue rows: the templates' leaves rebuilt match Access's bytes, an entry lands in key
// order, duplicates of unique keys and full leaves are refused.
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
#include "jet/file/raw_file.h"
#include "jet/index/index_page.h"
#include "jet/integrity_check.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/page/usage_map.h"
#include "jet/core/test_corpus.h"

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
std::vector<IndexEntry> leaves(PageCache& pages, const Format& f, std::uint32_t root) {
  std::vector<IndexEntry> out;
  IndexPageReader read = [&](std::uint32_t n, std::vector<std::uint8_t>& page) -> Status {
    JET_ASSIGN_OR_RETURN(page, pages.read(n));
    return Status::success();
  };
  Status s = forEachLeafEntry(read, f, root, pages.pageCount(), [&](const IndexEntry& e) {
    out.push_back(e);
    return Status::success();
  });
  EXPECT_TRUE(s.ok()) << s.description();
  return out;
}

std::size_t depth(PageCache& pages, const Format& f, std::uint32_t root) {
  std::size_t levels = 1;
  for (std::uint32_t n = root;; ++levels) {
    auto page = parseIndexPage(*pages.read(n), f, n);
    if (!page.ok() || page->leaf) return levels;
    n = page->entries.empty() ? page->childTailPage : page->entries.front().childPage;
  }
}

// Every page of the tree, sorted.
std::vector<std::uint32_t> treePages(PageCache& pages, const Format& f, std::uint32_t root) {
  std::vector<std::uint32_t> out;
  std::vector<std::uint32_t> pending{root};
  while (!pending.empty() && out.size() <= pages.pageCount()) {
    std::uint32_t n = pending.back();
    pending.pop_back();
    out.push_back(n);
    auto page = parseIndexPage(*pages.read(n), f, n);
    if (!page.ok() || page->leaf) continue;
    for (const auto& e : page->entries) pending.push_back(e.childPage);
    if (page->childTailPage != 0) pending.push_back(page->childTailPage);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::uint32_t> mapPages(PageCache& pages, const IndexDef& index, const Format& f) {
  auto listed = UsageMapEditor(pages, MapRef::fromPointer(index.usageMapRow), f.jet3).pages();
  EXPECT_TRUE(listed.ok());
  return listed.ok() ? *listed : std::vector<std::uint32_t>{};
}

class IndexTreeChurn : public ::testing::TestWithParam<Case> {};

TEST_P(IndexTreeChurn, LeavesHoldExactlyTheEntriesThroughSplitsAndRemovals) {
  const std::string source = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam().file;
  SKIP_WITHOUT_CORPUS_FILE(source);
  testing::ScratchFolder scratch;
  const std::string path = scratch.file("churn.db");
  std::filesystem::copy_file(source, path);
  TableDef def;
  const Format* format = nullptr;
  {
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto table = (*db)->table(GetParam().table);
    ASSERT_TRUE(table.ok());
    def = *table;
    format = &formatFor((*db)->header().version);
  }
  const Format& f = *format;
  ASSERT_FALSE(def.indexes.empty());
  const IndexDef& index = def.indexes.front();
  auto writer = DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok()) << writer.error().description;
  PageCache& pages = (*writer)->pages();
  PageAllocator allocator(pages, (*writer)->jet3());
  IndexTree tree(pages, allocator, f, def.tdefPage, index.rootPage,
                 MapRef::fromPointer(index.usageMapRow), "churn");
  auto expected = leaves(pages, f, index.rootPage);
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
  auto now = leaves(pages, f, index.rootPage);
  ASSERT_EQ(now.size(), expected.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    ASSERT_EQ(now[i].key, expected[i].key) << i;
    ASSERT_EQ(now[i].row, expected[i].row) << i;
  }
  EXPECT_GE(depth(pages, f, index.rootPage), 3u) << "node pages did not split";
  const auto grown = treePages(pages, f, index.rootPage);
  EXPECT_EQ(grown, mapPages(pages, index, f)) << "split pages missing from the usage map";
  // A second insert of an entry that is there is refused.
  EXPECT_EQ(tree.insert(added.front()).number(), err::kBadPage);

  std::shuffle(added.begin(), added.end(), random);
  for (std::size_t i = 0; i < added.size(); ++i) {
    ASSERT_TRUE(tree.remove(added[i]).ok()) << i;
    if (i % 500 == 0) {
      auto left = leaves(pages, f, index.rootPage);
      ASSERT_EQ(left.size(), original + added.size() - i - 1);
      ASSERT_TRUE(std::is_sorted(left.begin(), left.end(), before));
    }
  }
  EXPECT_EQ(tree.remove(added.front()).number(), err::kBadPage);  // already gone
  EXPECT_EQ(leaves(pages, f, index.rootPage).size(), original);
  const auto shrunk = treePages(pages, f, index.rootPage);
  EXPECT_LT(shrunk.size(), grown.size()) << "no page was dropped";
  EXPECT_EQ(shrunk, mapPages(pages, index, f)) << "dropped pages left in the usage map";
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
  SKIP_WITHOUT_CORPUS_FILE(source);
  testing::ScratchFolder scratch;
  const std::string path = scratch.file("kept.db");
  std::filesystem::copy_file(source, path);
  TableDef def;
  {
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto table = (*db)->table("Table1");
    ASSERT_TRUE(table.ok());
    def = *table;
  }
  const IndexDef& index = def.indexes.front();
  auto writer = DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok()) << writer.error().description;
  PageCache& pages = (*writer)->pages();
  PageAllocator allocator(pages, (*writer)->jet3());
  auto tree = [&] {
    return IndexTree(pages, allocator, kFormatJet4, def.tdefPage, index.rootPage,
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

const std::string kTemplates = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/";

struct Leaf {
  std::vector<std::uint8_t> bytes;
  std::uint32_t number = 0;
};

// The root pages of the catalogue's indexes in a template (single leaves there).
std::vector<Leaf> catalogueLeaves(const std::string& file) {
  std::vector<Leaf> out;
  auto db = Database::open(kTemplates + file);
  EXPECT_TRUE(db.ok());
  if (!db.ok()) return out;
  auto raw = RawFile::open(kTemplates + file, RawFile::Mode::kReadOnly);
  EXPECT_TRUE(raw.ok());
  for (const char* name : {"MSysObjects", "MSysACEs"}) {
    auto table = (*db)->table(name);
    EXPECT_TRUE(table.ok());
    for (const IndexDef& index : table->indexes) {
      Leaf leaf;
      leaf.bytes.resize(4096);
      leaf.number = index.rootPage;
      EXPECT_TRUE(raw->readPage(index.rootPage, leaf.bytes).ok());
      out.push_back(std::move(leaf));
    }
  }
  return out;
}

TEST(IndexLeafInsert, RebuiltCatalogueLeavesMatchAccessBytes) {
  for (const char* file : {"empty-jet4.mdb", "empty-ace12.accdb"}) {
    for (const Leaf& leaf : catalogueLeaves(file)) {
      auto parsed = parseIndexPage(leaf.bytes, kFormatJet4, leaf.number);
      ASSERT_TRUE(parsed.ok()) << parsed.error().description;
      auto rebuilt = writeIndexPage(*parsed, kFormatJet4, leaf.bytes);
      ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().description;
      auto again = parseIndexPage(*rebuilt, kFormatJet4, leaf.number);
      ASSERT_TRUE(again.ok()) << again.error().description;
      ASSERT_EQ(again->entries.size(), parsed->entries.size());
      for (std::size_t i = 0; i < parsed->entries.size(); ++i) {
        EXPECT_EQ(again->entries[i].key, parsed->entries[i].key);
        EXPECT_EQ(again->entries[i].row, parsed->entries[i].row);
      }
      // Byte for byte what Access wrote: header, free space, bitmask, entries (what follows the
      // entries is stale in Access's pages).
      long used = 4096 - (leaf.bytes[2] | (leaf.bytes[3] << 8));
      EXPECT_TRUE(std::equal(leaf.bytes.begin(), leaf.bytes.begin() + used, rebuilt->begin()))
          << file << " page " << leaf.number;
    }
  }
}

TEST(IndexLeafInsert, EntryGoesInKeyOrderAndDuplicatesOfUniqueKeysAreRefused) {
  std::vector<Leaf> leaves = catalogueLeaves("empty-jet4.mdb");
  ASSERT_FALSE(leaves.empty());
  const Leaf& leaf = leaves.front();
  auto parsed = parseIndexPage(leaf.bytes, kFormatJet4, leaf.number);
  ASSERT_TRUE(parsed.ok());
  ASSERT_GE(parsed->entries.size(), 2u);
  // A key between the first two entries.
  std::vector<std::uint8_t> key = parsed->entries[0].key;
  key.push_back(0x01);
  auto added = insertLeafEntry(leaf.bytes, kFormatJet4, leaf.number, key, {77, 3}, false, "t");
  ASSERT_TRUE(added.ok()) << added.error().description;
  auto after = parseIndexPage(*added, kFormatJet4, leaf.number);
  ASSERT_TRUE(after.ok()) << after.error().description;
  ASSERT_EQ(after->entries.size(), parsed->entries.size() + 1);
  EXPECT_EQ(after->entries[1].key, key);
  EXPECT_EQ(after->entries[1].row, (RowLocator{77, 3}));

  auto duplicate = insertLeafEntry(leaf.bytes, kFormatJet4, leaf.number, parsed->entries[0].key,
                                   {77, 3}, true, "t");
  EXPECT_EQ(duplicate.ok() ? 0 : duplicate.error().number, err::kUniqueViolation);
}

TEST(IndexLeafInsert, FullLeafIsRefusedNotSplit) {
  std::vector<Leaf> leaves = catalogueLeaves("empty-ace12.accdb");
  ASSERT_FALSE(leaves.empty());
  std::vector<std::uint8_t> page = leaves.front().bytes;
  Status last;
  for (std::uint32_t i = 0; i < 2000 && last.ok(); ++i) {
    std::vector<std::uint8_t> key(40, 0x7F);
    key[1] = static_cast<std::uint8_t>(i >> 8);
    key[2] = static_cast<std::uint8_t>(i);
    auto next = insertLeafEntry(page, kFormatJet4, leaves.front().number, key, {i + 100, 0},
                                false, "\"Big\"");
    if (!next.ok()) {
      last = next.status();
      break;
    }
    page = *next;
  }
  EXPECT_EQ(last.number(), err::kUnsupported);
  EXPECT_NE(last.description().find("\"Big\""), std::string::npos);
  EXPECT_TRUE(parseIndexPage(page, kFormatJet4, leaves.front().number).ok());
}

// Once the entries no longer fit whole, the leaf stores their shared prefix once, as the page
// writer does for every index, and takes more entries before it is refused.
TEST(IndexLeafInsert, FullerLeafSharesThePrefixOfItsEntries) {
  IndexPage empty;
  empty.number = 9;
  auto page = writeIndexPage(empty, kFormatJet4);
  ASSERT_TRUE(page.ok()) << page.error().description;
  std::vector<std::uint8_t> leaf = *page;
  std::uint32_t added = 0;
  for (;; ++added) {
    std::vector<std::uint8_t> key(40, 0x55);
    key[0] = 0x7F;
    key[1] = static_cast<std::uint8_t>(added >> 8);
    key[2] = static_cast<std::uint8_t>(added);
    auto next = insertLeafEntry(leaf, kFormatJet4, 9, key, {added + 100, 0}, true, "t");
    if (!next.ok()) {
      EXPECT_EQ(next.error().number, err::kUnsupported);
      break;
    }
    leaf = *next;
  }
  const std::size_t whole = maxIndexEntryBytes(kFormatJet4) / (40 + 4);
  EXPECT_GT(added, whole);
  auto parsed = parseIndexPage(leaf, kFormatJet4, 9);
  ASSERT_TRUE(parsed.ok()) << parsed.error().description;
  EXPECT_EQ(parsed->entries.size(), added);
  EXPECT_EQ(parsed->prefixLength, 2);
  EXPECT_EQ(parsed->entries.back().row, (RowLocator{added + 99, 0}));
}

}  // namespace
}  // namespace jet
