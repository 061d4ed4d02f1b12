// index_page_test.cpp: index pages built byte by byte (Jet3 and Jet4 layouts, prefix
// compression, node entries), damaged pages that must be refused, and the leaf walk.
#include "jet/index/index_page.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
  Bytes key;
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  std::uint32_t child = 0;
};

void putLe32(Bytes& p, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Lays entries out as Access does: the first whole, the rest without the shared prefix.
Bytes makePage(Version version, bool leaf, const std::vector<Entry>& entries, std::size_t prefix,
               std::uint32_t next = 0) {
  const IndexPageLayout L = indexPageLayout(version);
  Bytes p(L.pageSize, 0);
  p[0] = leaf ? kIndexLeafPage : kIndexNodePage;
  p[1] = 0x01;
  putLe32(p, 4, 42);
  putLe32(p, L.nextPage, next);
  p[L.prefixLength] = static_cast<std::uint8_t>(prefix);
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
              p.begin() + static_cast<std::ptrdiff_t>(L.entriesStart + end));
    end += whole.size() - skip;
    p[L.entryMask + end / 8] |= static_cast<std::uint8_t>(1u << (end % 8));
  }
  return p;
}

TEST(IndexPage, Jet4LeafRestoresTheSharedPrefix) {
  std::vector<Entry> entries{{{0x7F, 0x41, 0x42}, 0x010203, 1},
                             {{0x7F, 0x41, 0x43}, 0x010203, 2},
                             {{0x7F, 0x41, 0x43, 0x44}, 5, 0}};
  auto page = parseIndexPage(makePage(Version::kJet4, true, entries, 2, 77), Version::kJet4, 9);
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
  Bytes raw = makePage(Version::kJet3, false, entries, 1);
  raw[21] = 0x01;  // the byte after the prefix length is not part of it
  auto page = parseIndexPage(raw, Version::kJet3, 4);
  ASSERT_TRUE(page.ok()) << page.error().description;
  EXPECT_FALSE(page->leaf);
  ASSERT_EQ(page->entries.size(), 2u);
  EXPECT_EQ(page->entries[1].key, (Bytes{0x7F, 0x20}));
  EXPECT_EQ(page->entries[1].childPage, 0x12u);
  EXPECT_EQ(page->entries[1].row, (RowLocator{3, 1}));
}

TEST(IndexPage, DamagedPagesAreRefusedNamingThePage) {
  const IndexPageLayout L = indexPageLayout(Version::kJet4);
  std::vector<Entry> two{{{0x7F, 0x01}, 1, 0}, {{0x7F, 0x02}, 1, 1}};
  std::map<std::string, Bytes> cases;
  cases["wrong type"] = makePage(Version::kJet4, true, two, 0);
  cases["wrong type"][0] = 0x01;
  cases["short"] = Bytes(100, 0x04);
  cases["entry past the end"] = makePage(Version::kJet4, true, two, 0);
  cases["entry past the end"][L.entryMask + L.entryMaskSize - 1] = 0x80;
  cases["prefix too long"] = makePage(Version::kJet4, true, two, 0);
  cases["prefix too long"][L.prefixLength] = 7;
  cases["out of order"] = makePage(Version::kJet4, true, {two[1], two[0]}, 0);
  cases["duplicate"] = makePage(Version::kJet4, true, {two[0], two[0]}, 0);
  cases["node entry too short"] = makePage(Version::kJet4, false, two, 0);
  cases["node entry too short"][L.entryMask] = 0x40;  // ends after 6 bytes: no room for pointers
  for (const auto& [what, raw] : cases) {
    auto page = parseIndexPage(raw, Version::kJet4, 1234);
    ASSERT_FALSE(page.ok()) << what;
    EXPECT_EQ(page.error().number, err::kBadPage) << what;
    EXPECT_NE(page.error().description.find("1234"), std::string::npos) << what;
  }
}

TEST(IndexPage, RandomBytesNeverReadOutsideThePage) {
  std::mt19937 rng(1234);
  for (Version v : {Version::kJet3, Version::kJet4}) {
    const IndexPageLayout L = indexPageLayout(v);
    for (int i = 0; i < 2000; ++i) {
      Bytes raw(L.pageSize);
      for (auto& b : raw) b = static_cast<std::uint8_t>(rng());
      raw[0] = (i % 2) ? kIndexLeafPage : kIndexNodePage;
      // sparse masks make pages that get past the first checks
      for (std::size_t m = 0; m < L.entryMaskSize; ++m) {
        if (rng() % 8 != 0) raw[L.entryMask + m] = 0;
      }
      if (i % 3 == 0) raw[L.prefixLength] = 0;
      auto page = parseIndexPage(raw, v, 7);
      if (!page.ok()) {
        EXPECT_EQ(page.error().number, err::kBadPage);
      }
    }
  }
}

TEST(IndexPage, LeafWalkDescendsThenFollowsNextPages) {
  std::map<std::uint32_t, Bytes> pages;
  pages[10] =
      makePage(Version::kJet4, false, {{{0x7F, 0x02}, 1, 1, 11}, {{0x7F, 0x04}, 1, 3, 12}}, 0);
  pages[11] = makePage(Version::kJet4, true, {{{0x7F, 0x01}, 1, 0}, {{0x7F, 0x02}, 1, 1}}, 1, 12);
  pages[12] = makePage(Version::kJet4, true, {{{0x7F, 0x03}, 1, 2}, {{0x7F, 0x04}, 1, 3}}, 1);
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
  ASSERT_TRUE(forEachLeafEntry(read, Version::kJet4, 10, 100, collect).ok());
  EXPECT_EQ(seen, (Bytes{1, 2, 3, 4}));

  // a leaf chain that loops back must end in an error, not a hang
  pages[12] = makePage(Version::kJet4, true, {{{0x7F, 0x03}, 1, 2}}, 1, 11);
  Status s = forEachLeafEntry(read, Version::kJet4, 10, 100, collect);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
}

}  // namespace
}  // namespace jet
