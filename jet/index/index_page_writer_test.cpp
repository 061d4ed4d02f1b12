// index_page_writer_test.cpp: every index page of corpus files, parsed and written again, comes
// back byte for byte up to the end of its entries (what lies beyond is left-over bytes), and
// pages that do not fit are refused.
#include "jet/index/index_page_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <set>

#include "jet/database.h"
#include "jet/pager/page_codec.h"
#include "jet/file/page_file.h"
#include "jet/core/test_corpus.h"

namespace jet {
namespace {

struct Tally {
  std::size_t pages = 0;
  std::size_t nodes = 0;
};

void rewriteTree(const PageReader& pages, Version version, std::uint32_t number,
                 std::set<std::uint32_t>& seen, Tally& tally) {
  if (number == 0 || !seen.insert(number).second) return;
  auto raw = pages.page(number);
  ASSERT_TRUE(raw.ok()) << raw.error().description;
  const std::vector<std::uint8_t>& original = **raw;
  auto parsed = parseIndexPage(original, version, number);
  ASSERT_TRUE(parsed.ok()) << parsed.error().description;
  auto written = writeIndexPage(*parsed, version, original);
  ASSERT_TRUE(written.ok()) << written.error().description;
  const IndexPageLayout L = indexPageLayout(version);
  std::size_t used = L.entriesStart + storedEntryBytes(*parsed, version);
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
  for (const auto& e : parsed->entries) rewriteTree(pages, version, e.childPage, seen, tally);
  rewriteTree(pages, version, parsed->childTailPage, seen, tally);
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
      rewriteTree(pages, (*db)->header().version, index.rootPage, seen, tally);
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
  auto jet3 = writeIndexPage(page, Version::kJet3);
  ASSERT_FALSE(jet3.ok());
  EXPECT_NE(jet3.error().description.find("index page 9"), std::string::npos);
  EXPECT_TRUE(writeIndexPage(page, Version::kJet4).ok());
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
  EXPECT_EQ(storedEntryBytes(page, Version::kJet4), 24u);
  for (std::uint16_t i = 4; i <= 250; ++i) {
    IndexEntry e;
    e.key = {0x7F, 0x41, 0x42, 0x50, static_cast<std::uint8_t>(i)};
    e.row = RowLocator{5, i};
    page.entries.push_back(e);
  }
  auto bytes = writeIndexPage(page, Version::kJet3);
  ASSERT_TRUE(bytes.ok()) << bytes.error().description;
  auto back = parseIndexPage(*bytes, Version::kJet3, 0);
  ASSERT_TRUE(back.ok()) << back.error().description;
  EXPECT_EQ(back->prefixLength, 3);
  ASSERT_EQ(back->entries.size(), 250u);
  EXPECT_EQ(back->entries[200].key, page.entries[200].key);
  EXPECT_EQ(back->entries[200].row, page.entries[200].row);
  EXPECT_EQ(storedEntryBytes(page, Version::kJet3), 3u * 8u + 247u * 9u - 249u * 3u);
}

}  // namespace
}  // namespace jet
