// index_bulk_builder_test.cpp: trees built bottom-up for every entry count from one leaf to
// several levels: every node entry equals its child's last entry, the last child sits in the
// tail, leaves chain across the level and nodes only among one parent's children, and every
// page is reported once.
#include "jet/create/index_bulk_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "jet/index/index_page.h"

namespace jet {
namespace {

class MemoryPages : public PageStore {
 public:
  std::uint32_t pageSize() const override { return 4096; }
  std::uint32_t pageCount() const override { return count_; }
  Result<std::vector<std::uint8_t>> read(std::uint32_t page) const override {
    auto it = pages_.find(page);
    if (it == pages_.end()) return Error{1, "page " + std::to_string(page) + " never written"};
    return it->second;
  }
  Status write(std::uint32_t page, std::span<const std::uint8_t> bytes) override {
    if (page >= count_) return Error{1, "page beyond the end"};
    pages_[page] = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    return {};
  }
  std::uint32_t reserve() override { return count_++; }

 private:
  std::uint32_t count_ = 10;
  std::map<std::uint32_t, std::vector<std::uint8_t>> pages_;
};

constexpr std::uint32_t kTable = 5;
constexpr std::uint32_t kRoot = 9;

struct Walk {
  const MemoryPages& pages;
  const Format& f;
  std::vector<IndexEntry> leafEntries;
  std::vector<IndexPage> leaves;
  std::set<std::uint32_t> seen;

  IndexPage read(std::uint32_t number) {
    auto bytes = pages.read(number);
    EXPECT_TRUE(bytes.ok());
    auto page = parseIndexPage(*bytes, f, number);
    EXPECT_TRUE(page.ok());
    EXPECT_EQ(page->tablePage, kTable);
    return *page;
  }

  // The subtree's last entry.
  IndexEntry walk(std::uint32_t number) {
    EXPECT_TRUE(seen.insert(number).second) << "page " << number << " reached twice";
    IndexPage page = read(number);
    if (page.leaf) {
      leafEntries.insert(leafEntries.end(), page.entries.begin(), page.entries.end());
      leaves.push_back(page);
      return page.entries.empty() ? IndexEntry{} : page.entries.back();
    }
    EXPECT_TRUE(page.childTailPage != 0 || page.entries.size() == 1) << "node " << number;
    std::vector<IndexPage> children;
    IndexEntry last;
    for (const IndexEntry& e : page.entries) {
      last = walk(e.childPage);
      EXPECT_EQ(last.key, e.key);
      EXPECT_EQ(last.row, e.row);
      children.push_back(read(e.childPage));
    }
    if (page.childTailPage != 0) {
      last = walk(page.childTailPage);
      children.push_back(read(page.childTailPage));
    }
    if (!children.front().leaf) {  // node siblings: chained within this parent only
      for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(children[i].prevPage, i == 0 ? 0 : children[i - 1].number);
        EXPECT_EQ(children[i].nextPage, i + 1 == children.size() ? 0 : children[i + 1].number);
      }
    }
    return last;
  }
};

std::vector<IndexEntry> entries(std::size_t n, std::size_t keyBytes) {
  std::vector<IndexEntry> out;
  for (std::size_t i = 0; i < n; ++i) {
    IndexEntry e;
    e.key.assign(keyBytes, 0x7F);
    e.key[1] = static_cast<std::uint8_t>(i / 7 / 256);  // ties of seven: ordered by row
    e.key[2] = static_cast<std::uint8_t>(i / 7 % 256);
    e.row = RowLocator{static_cast<std::uint32_t>(1000 + i), static_cast<std::uint16_t>(i % 3)};
    out.push_back(e);
  }
  return out;
}

TEST(IndexBulkBuilder, EveryCountGivesAValidTree) {
  for (const Format* f : {&kFormatJet4, &kFormatJet3}) {
    std::size_t deepest = 0;
    for (std::size_t n = 0; n <= 700; n += n < 60 ? 1 : 7) {
      MemoryPages pages;
      for (std::uint32_t p = 0; p < 10; ++p) ASSERT_TRUE(pages.write(p, {}).ok());
      IndexBulkBuilder builder(pages, *f, kTable, kRoot, "test");
      auto in = entries(n, 220);
      for (const IndexEntry& e : in) ASSERT_TRUE(builder.add(e).ok());
      ASSERT_TRUE(builder.finish().ok());
      Walk walk{pages, *f, {}, {}, {}};
      walk.walk(kRoot);
      ASSERT_EQ(walk.leafEntries.size(), n);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(walk.leafEntries[i].key, in[i].key) << n << " " << i;
        ASSERT_EQ(walk.leafEntries[i].row, in[i].row) << n << " " << i;
      }
      for (std::size_t i = 0; i < walk.leaves.size(); ++i) {
        EXPECT_EQ(walk.leaves[i].prevPage, i == 0 ? 0 : walk.leaves[i - 1].number);
        EXPECT_EQ(walk.leaves[i].nextPage,
                  i + 1 == walk.leaves.size() ? 0 : walk.leaves[i + 1].number);
      }
      std::set<std::uint32_t> reported(builder.pagesWritten().begin(),
                                       builder.pagesWritten().end());
      EXPECT_EQ(reported.size(), builder.pagesWritten().size());
      EXPECT_EQ(reported, walk.seen) << n;
      EXPECT_EQ(builder.distinctKeys(), (n + 6) / 7);
      deepest = std::max(deepest, builder.depth());
    }
    EXPECT_GE(deepest, 3u);
  }
}

}  // namespace
}  // namespace jet
