// index_counts_test.cpp: what the table definition and the usage maps say about an index: the
// unique-entry count rises by one exactly when a change brings a key the index did not hold, and
// never falls; the check reports a count below the distinct keys, and index pages missing from
// or foreign to the index's usage map.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/schema/table_def.h"
#include "jet/page/usage_map.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

const std::string kFile = "jackcess/V2010/testIndexPropertiesV2010.accdb";

std::vector<std::uint32_t> counts(const std::string& path, const jet::TableDef& def) {
  FileView view = openView(path);
  auto page = view.pages->read(def.tdefPage);
  std::vector<std::uint32_t> out;
  for (const auto& index : def.indexes)
    out.push_back(jet::readUniqueEntryCount(*page, view.format(), index.number).value_or(0));
  return out;
}

std::size_t column(const jet::TableDef& def, const std::string& name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) return i;
  return def.columns.size();
}

// The physical index over the "data" column.
std::size_t dataIndex(const jet::TableDef& def) {
  auto number = def.columns[column(def, "data")].number;
  for (std::size_t i = 0; i < def.indexes.size(); ++i) {
    const auto& cols = def.indexes[i].columns;
    if (cols.size() == 1 && cols[0].columnNumber == number) return i;
  }
  return def.indexes.size();
}

TEST(UniqueEntryCount, RisesOnlyForKeysNewToTheIndex) {
  TempDir dir;
  std::string path = dir.copy(kFile);
  const std::string table = "TableIgnoreNulls1";  // row 0 "stuff", 1 null, 2 "more", 4 "some"
  auto db = jet::Database::open(path);
  ASSERT_TRUE(db.ok());
  auto def = (*db)->table(table);
  ASSERT_TRUE(def.ok());
  std::size_t index = dataIndex(*def);
  ASSERT_LT(index, def->indexes.size());
  ASSERT_EQ(def->indexes[index].flags & 0x01, 0) << "the index should allow duplicates";
  std::vector<jet::RowLocator> rows;
  auto scan = (*db)->scan(*def);
  for (jet::Row r; *(*scan)->next(r);) rows.push_back(r.locator);
  const auto before = counts(path, *def);

  struct Step {
    std::size_t row;
    std::optional<std::string> value;
    std::uint32_t added;  // expected rise of the count
  };
  const Step steps[] = {
      {2, "stuff", 0},       // a key row 0 holds
      {2, "STUFF", 0},       // the same key again: nothing moves
      {2, "brand new", 1},   // a new key
      {1, "fresh", 1},       // a null (not in this ignore-nulls index) becomes a new key
      {4, std::nullopt, 0},  // a key leaves: the count does not fall
      {6, "fresh", 0},       // a key row 1 holds now
  };
  std::uint32_t expected = before[index];
  for (const auto& step : steps) {
    {
      auto writer = jet::DatabaseWriter::open(path);
      ASSERT_TRUE(writer.ok());
      auto w = (*writer)->table(*def);
      ASSERT_TRUE(w.ok());
      jet::Value v;
      v.isNull = !step.value;
      v.text = step.value.value_or("");
      jet::Status s = (*writer)->updateRow(**w, rows[step.row], {{column(*def, "data"), v}});
      ASSERT_TRUE(s.ok()) << s.description();
      ASSERT_TRUE((*writer)->close().ok());
    }
    expected += step.added;
    auto now = counts(path, *def);
    EXPECT_EQ(now[index], expected) << "row " << step.row << " := " << step.value.value_or("null");
    for (std::size_t i = 0; i < now.size(); ++i) {
      if (i == index) continue;
      EXPECT_EQ(now[i], before[i]) << "index " << i << " is not over the column";
    }
  }
  auto problems = integrityProblems(path);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

// Damage the check must see, each on its own copy.
class IndexCheckDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.copy(kFile);
    auto db = jet::Database::open(path_);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("TableUnique1_temp");
    ASSERT_TRUE(def.ok());
    def_ = *def;
    index_ = def_.indexes[dataIndex(def_)];
  }
  // Runs `change` on the writer's pages and commits.
  void damage(const std::function<void(jet::PageCache&, const jet::Format&)>& change) {
    auto writer = jet::DatabaseWriter::open(path_);
    ASSERT_TRUE(writer.ok());
    change((*writer)->pages(), jet::formatFor((*writer)->version()));
    ASSERT_TRUE((*writer)->close().ok());
  }
  std::string problemsMentioning(const std::string& words) {
    for (const auto& p : integrityProblems(path_))
      if (p.find(words) != std::string::npos) return p;
    return {};
  }

  TempDir dir_;
  std::string path_;
  jet::TableDef def_;
  jet::IndexDef index_;
};

// The count is a statistic for Access's query planner: files written by other tools carry low
// counts (two corpus files do), and Access rebuilds it when it compacts, so it is not damage.
TEST_F(IndexCheckDamage, ACountBelowTheDistinctKeysIsNotDamage) {
  damage([&](jet::PageCache& pages, const jet::Format& f) {
    auto page = *pages.read(def_.tdefPage);
    auto count = jet::readUniqueEntryCount(page, f, index_.number);
    ASSERT_TRUE(count.has_value());
    ASSERT_GT(*count, 1u);
    ASSERT_TRUE(jet::addToUniqueEntryCount(page, f, index_.number, 0u - *count + 1));
    ASSERT_TRUE(pages.write(def_.tdefPage, std::move(page)).ok());
  });
  EXPECT_EQ(problemsMentioning("unique entries"), "");
}

TEST_F(IndexCheckDamage, ATreePageMissingFromTheUsageMap) {
  damage([&](jet::PageCache& pages, const jet::Format& f) {
    jet::UsageMapEditor map(pages, jet::MapRef::fromPointer(index_.usageMapRow), f.jet3);
    ASSERT_TRUE(map.set(index_.rootPage, false).ok());
  });
  std::string p = problemsMentioning("not in the index's usage map");
  EXPECT_NE(p.find("page " + std::to_string(index_.rootPage)), std::string::npos) << p;
}

TEST_F(IndexCheckDamage, AForeignPageInTheUsageMap) {
  std::uint32_t foreign = def_.tdefPage;
  damage([&](jet::PageCache& pages, const jet::Format& f) {
    jet::UsageMapEditor map(pages, jet::MapRef::fromPointer(index_.usageMapRow), f.jet3);
    ASSERT_TRUE(map.set(foreign, true).ok());
  });
  std::string p = problemsMentioning("not in its tree");
  EXPECT_NE(p.find("page " + std::to_string(foreign)), std::string::npos) << p;
}

}  // namespace
