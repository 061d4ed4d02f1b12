// index_leaf_insert_test.cpp: the catalogue's leaf pages rebuilt by the page writer match
// Access's own bytes, and an inserted entry lands in order, with duplicates and full pages refused.
#include "jet/index/index_leaf_insert.h"

#include <gtest/gtest.h>

#include <string>

#include "jet/database.h"
#include "jet/core/error_codes.h"
#include "jet/index/index_page_writer.h"
#include "jet/file/raw_file.h"

namespace jet {
namespace {

const std::string kTemplates = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/";

struct Leaf {
  std::vector<std::uint8_t> bytes;
  std::uint32_t number = 0;
  bool unique = false;
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
      leaf.unique = (index.flags & 0x01) != 0;
      EXPECT_TRUE(raw->readPage(index.rootPage, leaf.bytes).ok());
      out.push_back(std::move(leaf));
    }
  }
  return out;
}

TEST(IndexLeafInsert, RebuiltCatalogueLeavesMatchAccessBytes) {
  for (const char* file : {"empty-jet4.mdb", "empty-ace12.accdb"}) {
    for (const Leaf& leaf : catalogueLeaves(file)) {
      auto parsed = parseIndexPage(leaf.bytes, Version::kJet4, leaf.number);
      ASSERT_TRUE(parsed.ok()) << parsed.error().description;
      auto rebuilt = writeIndexPage(*parsed, Version::kJet4, leaf.bytes);
      ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().description;
      auto again = parseIndexPage(*rebuilt, Version::kJet4, leaf.number);
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
  auto parsed = parseIndexPage(leaf.bytes, Version::kJet4, leaf.number);
  ASSERT_TRUE(parsed.ok());
  ASSERT_GE(parsed->entries.size(), 2u);
  // A key between the first two entries.
  std::vector<std::uint8_t> key = parsed->entries[0].key;
  key.push_back(0x01);
  auto added = insertLeafEntry(leaf.bytes, Version::kJet4, leaf.number, key, {77, 3}, false, "t");
  ASSERT_TRUE(added.ok()) << added.error().description;
  auto after = parseIndexPage(*added, Version::kJet4, leaf.number);
  ASSERT_TRUE(after.ok()) << after.error().description;
  ASSERT_EQ(after->entries.size(), parsed->entries.size() + 1);
  EXPECT_EQ(after->entries[1].key, key);
  EXPECT_EQ(after->entries[1].row, (RowLocator{77, 3}));

  auto duplicate = insertLeafEntry(leaf.bytes, Version::kJet4, leaf.number, parsed->entries[0].key,
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
    auto next = insertLeafEntry(page, Version::kJet4, leaves.front().number, key, {i + 100, 0},
                                false, "\"Big\"");
    if (!next.ok()) {
      last = next.status();
      break;
    }
    page = *next;
  }
  EXPECT_EQ(last.number(), err::kUnsupported);
  EXPECT_NE(last.description().find("\"Big\""), std::string::npos);
  EXPECT_TRUE(parseIndexPage(page, Version::kJet4, leaves.front().number).ok());
}

// Once the entries no longer fit whole, the leaf stores their shared prefix once, as the page
// writer does for every index, and takes more entries before it is refused.
TEST(IndexLeafInsert, FullerLeafSharesThePrefixOfItsEntries) {
  IndexPage empty;
  empty.number = 9;
  auto page = writeIndexPage(empty, Version::kJet4);
  ASSERT_TRUE(page.ok()) << page.error().description;
  std::vector<std::uint8_t> leaf = *page;
  std::uint32_t added = 0;
  for (;; ++added) {
    std::vector<std::uint8_t> key(40, 0x55);
    key[0] = 0x7F;
    key[1] = static_cast<std::uint8_t>(added >> 8);
    key[2] = static_cast<std::uint8_t>(added);
    auto next = insertLeafEntry(leaf, Version::kJet4, 9, key, {added + 100, 0}, true, "t");
    if (!next.ok()) {
      EXPECT_EQ(next.error().number, err::kUnsupported);
      break;
    }
    leaf = *next;
  }
  const std::size_t whole = maxIndexEntryBytes(Version::kJet4) / (40 + 4);
  EXPECT_GT(added, whole);
  auto parsed = parseIndexPage(leaf, Version::kJet4, 9);
  ASSERT_TRUE(parsed.ok()) << parsed.error().description;
  EXPECT_EQ(parsed->entries.size(), added);
  EXPECT_EQ(parsed->prefixLength, 2);
  EXPECT_EQ(parsed->entries.back().row, (RowLocator{added + 99, 0}));
}

}  // namespace
}  // namespace jet
