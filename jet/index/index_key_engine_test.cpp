// index_key_engine_test.cpp: reads corpus files with the engine itself and checks that every
// leaf entry of every index holds exactly the key encodeIndexKey builds from the row it points
// at: the path the writer will take when it rebuilds the entries of a changed row.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <utility>

#include "jet/database.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/pager/page_codec.h"
#include "jet/file/page_file.h"
#include "jet/core/test_corpus.h"

namespace jet {
namespace {

struct Tally {
  std::size_t entries = 0;
  std::size_t undecodable = 0;  // Jet3 text holding bytes the code page leaves undefined
};

bool hasReplacementChar(const std::vector<KeyPart>& parts) {
  return std::any_of(parts.begin(), parts.end(), [](const KeyPart& p) {
    return p.value.text.find("\xEF\xBF\xBD") != std::string::npos;
  });
}

// The key parts of `index` for one row; false when a column cannot take part (complex ids).
bool keyParts(const Database& db, const TableDef& table, const IndexDef& index, const Row& row,
              std::vector<KeyPart>& parts) {
  parts.clear();
  for (const IndexColumn& ic : index.columns) {
    auto c = std::find_if(table.columns.begin(), table.columns.end(),
                          [&](const Column& col) { return col.number == ic.columnNumber; });
    EXPECT_NE(c, table.columns.end()) << table.name;
    if (c == table.columns.end()) return false;
    KeyPart p;
    p.type = c->type;
    p.ascending = ic.ascending;
    p.version = db.header().version;
    p.scale = c->scale;
    p.column = c->name;
    p.value = row.values[static_cast<std::size_t>(c - table.columns.begin())];
    if (c->type == ColumnType::kText || c->type == ColumnType::kMemo) {
      auto order = textSortOrderOf(p.version, c->sortOrder, c->sortOrderVersion, c->name);
      EXPECT_TRUE(order.ok()) << order.error().description;
      if (!order.ok()) return false;
      p.sortOrder = *order;
    }
    parts.push_back(std::move(p));
  }
  return true;
}

void checkTable(const Database& db, const PageReader& pages, const TableDef& table, Tally& tally) {
  std::map<std::pair<std::uint32_t, std::uint16_t>, Row> rows;
  auto scan = db.scan(table);
  ASSERT_TRUE(scan.ok()) << scan.error().description;
  for (Row row;;) {
    auto more = (*scan)->next(row);
    ASSERT_TRUE(more.ok()) << more.error().description;
    if (!*more) break;
    rows[{row.locator.page, row.locator.row}] = row;
  }
  IndexPageReader read = [&](std::uint32_t n, std::vector<std::uint8_t>& out) -> Status {
    JET_ASSIGN_OR_RETURN(PagePtr p, pages.page(n));
    out = *p;
    return Status::success();
  };
  std::vector<KeyPart> parts;
  for (const IndexDef& index : table.indexes) {
    if (index.rootPage == 0) continue;
    std::size_t seen = 0;
    Status s = forEachLeafEntry(
        read, formatFor(db.header().version), index.rootPage, pages.pageCount(),
        [&](const IndexEntry& e) {
          ++seen;
          auto row = rows.find({e.row.page, e.row.row});
          EXPECT_NE(row, rows.end()) << table.name << ": entry for a row that is not there";
          if (row == rows.end() || !keyParts(db, table, index, row->second, parts)) {
            return Status::success();
          }
          auto key = encodeIndexKey(parts);
          if (!key.ok() && hasReplacementChar(parts)) {
            ++tally.undecodable;  // refused, as it must be
            return Status::success();
          }
          EXPECT_TRUE(key.ok()) << key.error().description;
          if (key.ok()) {
            EXPECT_EQ(*key, e.key) << table.name << " index " << index.number << " row "
                                   << e.row.page << ":" << e.row.row;
            ++tally.entries;
          }
          return Status::success();
        });
    ASSERT_TRUE(s.ok()) << s.description();
    if ((index.flags & 0x02) == 0) {
      EXPECT_EQ(seen, rows.size()) << table.name;
    }
  }
}

class IndexKeyEngine : public ::testing::TestWithParam<const char*> {};

TEST_P(IndexKeyEngine, EveryLeafEntryHoldsItsRowsKey) {
  const std::string path = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam();
  SKIP_WITHOUT_CORPUS_FILE(path);
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto file = PageFile::openReadOnly(path);
  ASSERT_TRUE(file.ok()) << file.error().description;
  PageReader pages(**file, (*db)->header().pageSize, (*db)->header().encodingKey);
  Tally tally;
  for (const CatalogEntry& entry : (*db)->catalogue()) {
    if (entry.kind != ObjectKind::kTable) continue;
    auto table = (*db)->table(entry.name);
    ASSERT_TRUE(table.ok()) << table.error().description;
    checkTable(**db, pages, *table, tally);
  }
  std::cout << "[ entries  ] " << GetParam() << ": " << tally.entries << " entries equal";
  if (tally.undecodable > 0) std::cout << ", " << tally.undecodable << " with undefined bytes";
  std::cout << "\n";
  EXPECT_GT(tally.entries, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IndexKeyEngine,
    ::testing::Values("jackcess/V1997/testIndexCodesV1997.mdb",
                      "jackcess/V1997/compIndexTestV1997.mdb", "jackcess/V1997/testV1997.mdb",
                      "jackcess-encrypt/db97-enc.mdb", "jackcess-encrypt/db-enc.mdb",
                      "jackcess/V2003/testV2003.mdb", "jackcess/V2003/testUnicodeCompV2003.mdb",
                      "jackcess/V2003/testIndexPropertiesV2003.mdb",
                      "jackcess/V2007/testV2007.accdb", "jackcess/V2010/testV2010.accdb",
                      "jackcess/V2010/binIdxTestV2010.accdb",
                      "jackcess/V2010/testEmoticonsV2010.accdb",
                      "jackcess/V2010/testIndexPropertiesV2010.accdb",
                      "jackcess/V2019/extDateTestV2019.accdb", "mdb-reader/V2016/bigint.accdb",
                      "mdb-reader/real/ASampleDatabase.accdb", "mdb-reader/V2016/attachments.accdb",
                      "ucanaccess/alterTable.accdb", "tika/testAccess2.accdb"));

}  // namespace
}  // namespace jet
