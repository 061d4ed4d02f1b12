// index_page_test.cpp: index pages built byte by byte (Jet3 and Jet4 layouts, prefix
// compression, node entries), damaged pages that must be refused, and the leaf walk; then the
// writer: every index page of corpus files, parsed and written again, comes back byte for byte
// up to the end of its entries (what lies beyond is left-over bytes), the prefix is shared only
// when needed, and pages that do not fit are refused.
#include "jet/index/index_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/test_corpus.h"
#include "jet/database.h"
#include "jet/file/page_file.h"
#include "jet/pager/page_codec.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
  Bytes key;
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  std::uint32_t child = 0;
};

// Lays entries out as Access does: the first whole, the rest without the shared prefix.
Bytes makePage(const Format& f, bool leaf, const std::vector<Entry>& entries, std::size_t prefix,
               std::uint32_t next = 0) {
  Bytes p(f.pageSize, 0);
  p[0] = leaf ? kPageTypeIndexLeaf : kPageTypeIndexNode;
  p[1] = 0x01;
  put32(p, 4, 42);
  put32(p, f.indexNextPage, next);
  p[f.indexPrefixLength] = static_cast<std::uint8_t>(prefix);
  std::size_t end = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    Bytes whole = e.key;
    whole.insert(whole.end(),
                 {static_cast<std::uint8_t>(e.page >> 16), static_cast<std::uint8_t>(e.page >> 8),
                  static_cast<std::uint8_t>(e.page), e.row});
    if (!leaf) {
      for (int s = 24; s >= 0; s -= 8) whole.push_back(static_cast<std::uint8_t>(e.child >> s));
    }
    const std::size_t skip = i == 0 ? 0 : prefix;
    std::copy(whole.begin() + static_cast<std::ptrdiff_t>(skip), whole.end(),
              p.begin() + static_cast<std::ptrdiff_t>(f.indexEntriesStart + end));
    end += whole.size() - skip;
    p[f.indexEntryMask + end / 8] |= static_cast<std::uint8_t>(1u << (end % 8));
  }
  return p;
}

TEST(IndexPage, Jet4LeafRestoresTheSharedPrefix) {
  std::vector<Entry> entries{{{0x7F, 0x41, 0x42}, 0x010203, 1},
                             {{0x7F, 0x41, 0x43}, 0x010203, 2},
                             {{0x7F, 0x41, 0x43, 0x44}, 5, 0}};
  auto page = parseIndexPage(makePage(kFormatJet4, true, entries, 2, 77), kFormatJet4, 9);
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_TRUE(page->leaf);
  EXPECT_EQ(page->tablePage, 42u);
  EXPECT_EQ(page->nextPage, 77u);
  EXPECT_EQ(page->prefixLength, 2u);
  ASSERT_EQ(page->entries.size(), 3u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(page->entries[i].key, entries[i].key);
    EXPECT_EQ(page->entries[i].row, (RowLocator{entries[i].page, entries[i].row}));
  }
}

TEST(IndexPage, Jet3NodeHasChildPagesAndAOneBytePrefixLength) {
  std::vector<Entry> entries{{{0x7F, 0x10}, 3, 0, 0x11}, {{0x7F, 0x20}, 3, 1, 0x12}};
  Bytes raw = makePage(kFormatJet3, false, entries, 1);
  raw[21] = 0x01;  // the byte after the prefix length is not part of it
  auto page = parseIndexPage(raw, kFormatJet3, 4);
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_FALSE(page->leaf);
  ASSERT_EQ(page->entries.size(), 2u);
  EXPECT_EQ(page->entries[1].key, (Bytes{0x7F, 0x20}));
  EXPECT_EQ(page->entries[1].childPage, 0x12u);
  EXPECT_EQ(page->entries[1].row, (RowLocator{3, 1}));
}

TEST(IndexPage, DamagedPagesAreRefusedNamingThePage) {
  const Format& f = kFormatJet4;
  std::vector<Entry> two{{{0x7F, 0x01}, 1, 0}, {{0x7F, 0x02}, 1, 1}};
  std::map<std::string, Bytes> cases;
  cases["wrong type"] = makePage(kFormatJet4, true, two, 0);
  cases["wrong type"][0] = kPageTypeData;
  cases["short"] = Bytes(100, 0x04);
  cases["entry past the end"] = makePage(kFormatJet4, true, two, 0);
  cases["entry past the end"][f.indexEntryMask + f.indexEntryMaskSize - 1] = 0x80;
  cases["prefix too long"] = makePage(kFormatJet4, true, two, 0);
  cases["prefix too long"][f.indexPrefixLength] = 7;
  cases["out of order"] = makePage(kFormatJet4, true, {two[1], two[0]}, 0);
  cases["duplicate"] = makePage(kFormatJet4, true, {two[0], two[0]}, 0);
  cases["node entry too short"] = makePage(kFormatJet4, false, two, 0);
  cases["node entry too short"][f.indexEntryMask] = 0x40;  // ends after 6 bytes: no room for pointers
  for (const auto& [what, raw] : cases) {
    auto page = parseIndexPage(raw, kFormatJet4, 1234);
    ASSERT_FALSE(page.ok()) << what;
    EXPECT_EQ(page.error().number, err::kBadPage) << what;
    EXPECT_NE(page.error().description.find("1234"), std::string::npos) << what;
  }
}

TEST(IndexPage, RandomBytesNeverReadOutsideThePage) {
  std::mt19937 rng(1234);
  for (const Format* f : {&kFormatJet3, &kFormatJet4}) {
    for (int i = 0; i < 2000; ++i) {
      Bytes raw(f->pageSize);
      for (auto& b : raw) b = static_cast<std::uint8_t>(rng());
      raw[0] = (i % 2) ? kPageTypeIndexLeaf : kPageTypeIndexNode;
      // sparse masks make pages that get past the first checks
      for (std::size_t m = 0; m < f->indexEntryMaskSize; ++m) {
        if (rng() % 8 != 0) raw[f->indexEntryMask + m] = 0;
      }
      if (i % 3 == 0) raw[f->indexPrefixLength] = 0;
      auto page = parseIndexPage(raw, *f, 7);
      if (!page.ok()) {
        EXPECT_EQ(page.error().number, err::kBadPage);
      }
    }
  }
}

TEST(IndexPage, LeafWalkDescendsThenFollowsNextPages) {
  std::map<std::uint32_t, Bytes> pages;
  pages[10] =
      makePage(kFormatJet4, false, {{{0x7F, 0x02}, 1, 1, 11}, {{0x7F, 0x04}, 1, 3, 12}}, 0);
  pages[11] = makePage(kFormatJet4, true, {{{0x7F, 0x01}, 1, 0}, {{0x7F, 0x02}, 1, 1}}, 1, 12);
  pages[12] = makePage(kFormatJet4, true, {{{0x7F, 0x03}, 1, 2}, {{0x7F, 0x04}, 1, 3}}, 1);
  IndexPageReader read = [&](std::uint32_t n, Bytes& out) -> Status {
    auto it = pages.find(n);
    if (it == pages.end()) return Error{err::kBadPage, "no page " + std::to_string(n)};
    out = it->second;
    return Status::success();
  };
  std::vector<std::uint8_t> seen;
  auto collect = [&](const IndexEntry& e) {
    seen.push_back(e.key.back());
    return Status::success();
  };
  ASSERT_TRUE(forEachLeafEntry(read, kFormatJet4, 10, 100, collect).ok());
  EXPECT_EQ(seen, (Bytes{1, 2, 3, 4}));

  // a leaf chain that loops back must end in an error, not a hang
  pages[12] = makePage(kFormatJet4, true, {{{0x7F, 0x03}, 1, 2}}, 1, 11);
  Status s = forEachLeafEntry(read, kFormatJet4, 10, 100, collect);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
}

struct Tally {
  std::size_t pages = 0;
  std::size_t nodes = 0;
};

void rewriteTree(const PageReader& pages, const Format& f, std::uint32_t number,
                 std::set<std::uint32_t>& seen, Tally& tally) {
  if (number == 0 || !seen.insert(number).second) return;
  auto raw = pages.page(number);
  ASSERT_TRUE(raw.ok()) << raw.error().description;
  const std::vector<std::uint8_t>& original = **raw;
  auto parsed = parseIndexPage(original, f, number);
  ASSERT_TRUE(parsed.ok()) << parsed.error().description;
  auto written = writeIndexPage(*parsed, f, original);
  ASSERT_TRUE(written.ok()) << written.error().description;
  std::size_t used = f.indexEntriesStart + storedEntryBytes(*parsed, f);
  ASSERT_EQ(written->size(), original.size());
  std::vector<std::uint8_t> expected = original;
  expected[2] = (*written)[2];  // free space: Access's own count, advisory
  expected[3] = (*written)[3];
  auto differ = std::mismatch(
      expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(used), written->begin());
  EXPECT_EQ(differ.first, expected.begin() + static_cast<std::ptrdiff_t>(used))
      << "page " << number << (parsed->leaf ? " (leaf)" : " (node)") << " differs at byte "
      << (differ.first - expected.begin()) << ": " << int(*differ.first) << " written "
      << int(*differ.second) << ", prefix " << parsed->prefixLength;
  ++tally.pages;
  if (parsed->leaf) return;
  ++tally.nodes;
  for (const auto& e : parsed->entries) rewriteTree(pages, f, e.childPage, seen, tally);
  rewriteTree(pages, f, parsed->childTailPage, seen, tally);
}

class IndexPageRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(IndexPageRoundTrip, EveryPageComesBackByteForByte) {
  const std::string path = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam();
  SKIP_WITHOUT_CORPUS_FILE(path);
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto file = PageFile::openReadOnly(path);
  ASSERT_TRUE(file.ok()) << file.error().description;
  PageReader pages(**file, (*db)->header().pageSize, (*db)->header().encodingKey);
  Tally tally;
  std::set<std::uint32_t> seen;
  for (const CatalogEntry& entry : (*db)->catalogue()) {
    if (entry.kind != ObjectKind::kTable) continue;
    auto table = (*db)->table(entry.name);
    ASSERT_TRUE(table.ok()) << table.error().description;
    for (const IndexDef& index : table->indexes) {
      rewriteTree(pages, formatFor((*db)->header().version), index.rootPage, seen, tally);
    }
  }
  std::cout << "[ pages    ] " << GetParam() << ": " << tally.pages << " index pages, "
            << tally.nodes << " nodes\n";
  EXPECT_GT(tally.pages, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, IndexPageRoundTrip,
                         ::testing::Values("jackcess/V1997/testIndexCodesV1997.mdb",
                                           "jackcess/V1997/compIndexTestV1997.mdb",
                                           "jackcess/V1997/indexTestV1997.mdb",
                                           "jackcess/V2000/bigIndexTestV2000.mdb",
                                           "jackcess/V2003/testIndexPropertiesV2003.mdb",
                                           "jackcess/V2010/testIndexPropertiesV2010.accdb",
                                           "jackcess/V2010/bigIndexTestV2010.accdb",
                                           "mdb-reader/real/ASampleDatabase.accdb"));

TEST(IndexPageWriter, RefusesEntriesThatDoNotFit) {
  IndexPage page;
  page.number = 9;
  for (std::uint16_t i = 0; i < 120; ++i) {
    IndexEntry e;
    e.key.assign(20, static_cast<std::uint8_t>(i));  // no shared prefix
    e.row = RowLocator{1, i};
    page.entries.push_back(e);
  }
  auto jet3 = writeIndexPage(page, kFormatJet3);
  ASSERT_FALSE(jet3.ok());
  EXPECT_NE(jet3.error().description.find("index page 9"), std::string::npos);
  EXPECT_TRUE(writeIndexPage(page, kFormatJet4).ok());
}

TEST(IndexPageWriter, SharesThePrefixOnlyWhenEntriesDoNotFitWhole) {
  IndexPage page;
  page.leaf = true;
  for (std::uint16_t i = 1; i <= 3; ++i) {
    IndexEntry e;
    e.key = {0x7F, 0x41, 0x42, static_cast<std::uint8_t>(0x40 + i)};
    e.row = RowLocator{5, i};
    page.entries.push_back(e);
  }
  EXPECT_EQ(storedEntryBytes(page, kFormatJet4), 24u);
  for (std::uint16_t i = 4; i <= 250; ++i) {
    IndexEntry e;
    e.key = {0x7F, 0x41, 0x42, 0x50, static_cast<std::uint8_t>(i)};
    e.row = RowLocator{5, i};
    page.entries.push_back(e);
  }
  auto bytes = writeIndexPage(page, kFormatJet3);
  ASSERT_TRUE(bytes.ok()) << bytes.error().description;
  auto back = parseIndexPage(*bytes, kFormatJet3, 0);
  ASSERT_TRUE(back.ok()) << back.error().description;
  EXPECT_EQ(back->prefixLength, 3);
  ASSERT_EQ(back->entries.size(), 250u);
  EXPECT_EQ(back->entries[200].key, page.entries[200].key);
  EXPECT_EQ(back->entries[200].row, page.entries[200].row);
  EXPECT_EQ(storedEntryBytes(page, kFormatJet3), 3u * 8u + 247u * 9u - 249u * 3u);
}

}  // namespace
}  // namespace jet
