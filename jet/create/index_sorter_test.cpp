// index_sorter_test.cpp: the external sort gives the same order as sorting in memory, whether
// the entries stay in memory or go through many spilled runs, and leaves no file behind.
#include "jet/create/index_sorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jet/file/raw_file.h"
#include "jet/core/test_scratch_folder.h"

namespace jet {
namespace {

std::vector<SortEntry> randomEntries(std::size_t n) {
  std::mt19937 random(7);
  std::vector<SortEntry> out;
  for (std::size_t i = 0; i < n; ++i) {
    SortEntry e;
    // Short keys from a small alphabet: many ties (ordered by row) and keys that are prefixes
    // of others.
    e.key.resize(random() % 6);
    for (auto& b : e.key) b = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xFF : random() % 4);
    e.row = RowLocator{static_cast<std::uint32_t>(random() % 70000),
                       static_cast<std::uint16_t>(random() % 256)};
    e.note = std::string(random() % 4, 'x');
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<SortEntry> sortThrough(IndexSorter& sorter, const std::vector<SortEntry>& in) {
  for (const SortEntry& e : in) EXPECT_TRUE(sorter.add(e).ok());
  std::vector<SortEntry> out;
  Status s = sorter.drain([&](const SortEntry& e) {
    out.push_back(e);
    return Status::success();
  });
  EXPECT_TRUE(s.ok()) << s.description();
  return out;
}

void expectSorted(const std::vector<SortEntry>& in, const std::vector<SortEntry>& got) {
  std::vector<SortEntry> want = in;
  std::stable_sort(want.begin(), want.end(), sortsBefore);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].key, want[i].key) << i;
    ASSERT_EQ(got[i].row, want[i].row) << i;
    if (i > 0) {
      ASSERT_FALSE(sortsBefore(got[i], got[i - 1])) << i;
    }
  }
}

TEST(IndexSorter, SmallSetsStayInMemory) {
  testing::ScratchFolder folder;
  auto in = randomEntries(2000);
  IndexSorter sorter(folder.file("runs"), 16u << 20);
  expectSorted(in, sortThrough(sorter, in));
  EXPECT_EQ(sorter.runCount(), 0u);
  EXPECT_FALSE(RawFile::exists(folder.file("runs")));
}

TEST(IndexSorter, LargeSetsMergeSpilledRunsAndCleanUp) {
  testing::ScratchFolder folder;
  auto in = randomEntries(60000);
  {
    IndexSorter sorter(folder.file("runs"), 64 * 1024);
    auto got = sortThrough(sorter, in);
    EXPECT_GT(sorter.runCount(), 20u);
    EXPECT_TRUE(RawFile::exists(folder.file("runs")));
    expectSorted(in, got);
    // Notes travel with their entries.
    std::size_t notes = 0;
    for (const SortEntry& e : got) notes += e.note.size();
    std::size_t want = 0;
    for (const SortEntry& e : in) want += e.note.size();
    EXPECT_EQ(notes, want);
  }
  EXPECT_FALSE(RawFile::exists(folder.file("runs")));
}

}  // namespace
}  // namespace jet
