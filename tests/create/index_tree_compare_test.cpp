// index_tree_compare_test.cpp: the index trees the creator builds, against the ones Access built
// for the same rows: corpus tables re-created row for row, each index's pages compared field by
// field (page numbers masked, row pointers mapped through the rows' order in the table).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "access_table_copy.h"
#include "jet/database.h"
#include "jet/index/index_page.h"
#include "jet/file/page_file.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/core/test_corpus.h"

namespace jet {
namespace {

// Where Access and the creator knowingly part: Access fills the pages of a compacted index to
// the brim, the creator to 80% (room for the edits that follow), so an index that spans pages
// is cut into pages at other places; its entries, in order, are still compared one by one.
// Every Access-made index on a table the creator can re-create in the corpus is a single leaf.

constexpr std::size_t kPageSize = 4096;

struct Tree {
  std::string file;
  std::unique_ptr<Database> db;
  TableDef table;
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::size_t> ordinal;  // row -> place
};

Result<Tree> openTree(const std::string& file, const std::string& tableName) {
  Tree t;
  t.file = file;
  JET_ASSIGN_OR_RETURN(t.db, Database::open(file));
  JET_ASSIGN_OR_RETURN(t.table, t.db->table(tableName));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> scan, t.db->scan(t.table));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) break;
    std::size_t place = t.ordinal.size();
    t.ordinal[{row.locator.page, row.locator.row}] = place;
  }
  return t;
}

std::vector<std::uint8_t> pageOf(const std::string& file, std::uint32_t page) {
  std::vector<std::uint8_t> bytes(kPageSize);
  auto f = PageFile::openReadOnly(file);
  EXPECT_TRUE(f.ok());
  if (f.ok()) {
    EXPECT_TRUE((*f)->read(std::uint64_t{page} * kPageSize, bytes).ok());
  }
  return bytes;
}

const IndexDef* realIndexNamed(const TableDef& t, const std::string& name) {
  for (const LogicalIndexDef& l : t.logicalIndexes) {
    if (l.name != name) continue;
    for (const IndexDef& ix : t.indexes) {
      if (ix.number == l.physicalIndex) return &ix;
    }
  }
  return nullptr;
}

// An entry as comparable across the two files: key bytes and the row's place in the table.
using Entry = std::pair<std::vector<std::uint8_t>, std::size_t>;

std::vector<Entry> leafEntries(const Tree& t, Version v, std::uint32_t root) {
  std::vector<Entry> out;
  IndexPageReader read = [&](std::uint32_t page, std::vector<std::uint8_t>& bytes) -> Status {
    bytes = pageOf(t.file, page);
    return {};
  };
  Status s = forEachLeafEntry(read, formatFor(v), root, 10000, [&](const IndexEntry& e) -> Status {
    auto place = t.ordinal.find({e.row.page, e.row.row});
    out.emplace_back(e.key, place == t.ordinal.end() ? SIZE_MAX : place->second);
    return {};
  });
  EXPECT_TRUE(s.ok()) << s.description();
  return out;
}

std::uint32_t le(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = v << 8 | d[at + i];
  return v;
}

// A single-leaf root, header and mask byte for byte: type, free space, owning table (each its
// own definition page), the word at 8, no neighbours or tail, prefix length and the byte after
// it, the entry-end bitmask.
void compareLeaf(const std::vector<std::uint8_t>& a, const Tree& ta,
                 const std::vector<std::uint8_t>& o, const Tree& to, const std::string& what) {
  EXPECT_EQ(le(a, 0, 2), le(o, 0, 2)) << what << ": page type";
  EXPECT_EQ(le(a, 2, 2), le(o, 2, 2)) << what << ": free space";
  EXPECT_EQ(le(a, 4, 4), ta.table.tdefPage) << what << ": Access's owner";
  EXPECT_EQ(le(o, 4, 4), to.table.tdefPage) << what << ": our owner";
  EXPECT_EQ(le(a, 8, 4), le(o, 8, 4)) << what << ": word at 8";
  for (std::size_t at : {12u, 16u, 20u}) {
    EXPECT_EQ(le(a, at, 4), 0u) << what << ": Access's link at " << at;
    EXPECT_EQ(le(o, at, 4), 0u) << what << ": our link at " << at;
  }
  EXPECT_EQ(le(a, 24, 2), le(o, 24, 2)) << what << ": prefix length";
  EXPECT_EQ(a[26], o[26]) << what << ": byte after the prefix length";
  EXPECT_TRUE(std::equal(a.begin() + 27, a.begin() + 0x1E0, o.begin() + 27))
      << what << ": entry-end bitmask";
}

struct Case {
  const char* file;
  const char* table;
  const char* templateName;
};

const Case kCases[] = {
    {"jackcess/V2003/testV2003.mdb", "Table1", "empty-jet4.mdb"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableIgnoreNulls1", "empty-jet4.mdb"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableIgnoreNulls2", "empty-jet4.mdb"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableUnique1_temp", "empty-jet4.mdb"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableUnique2_temp", "empty-jet4.mdb"},
    {"jackcess/V2007/testV2007.accdb", "Table1", "empty-ace12.accdb"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableIgnoreNulls2", "empty-ace12.accdb"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableUnique1_temp", "empty-ace12.accdb"},
    {"mdb-reader/real/ASampleDatabase.accdb", "Asset Items", "empty-ace12.accdb"},
};

class TreeComparison : public ::testing::TestWithParam<Case> {};

TEST_P(TreeComparison, LeavesMatchAccess) {
  const Case& c = GetParam();
  std::string accessFile = std::string(FIELDMEND_CORPUS_DIR) + "/" + c.file;
  SKIP_WITHOUT_CORPUS_FILE(accessFile);
  testing::ScratchFolder folder;
  std::string created = folder.file("copy" + std::filesystem::path(c.file).extension().string());
  Status s = testing::copyCorpusTable(c.file, c.table, c.templateName, created);
  ASSERT_TRUE(s.ok()) << s.description();
  auto access = openTree(accessFile, c.table);
  auto ours = openTree(created, c.table);
  ASSERT_TRUE(access.ok() && ours.ok());
  ASSERT_EQ(access->ordinal.size(), ours->ordinal.size());
  Version va = access->db->header().version, vo = ours->db->header().version;

  for (const LogicalIndexDef& l : access->table.logicalIndexes) {
    std::string what = std::string(c.file) + " " + c.table + " index " + l.name;
    const IndexDef* a = realIndexNamed(access->table, l.name);
    const IndexDef* o = realIndexNamed(ours->table, l.name);
    ASSERT_TRUE(a != nullptr && o != nullptr) << what;
    std::vector<Entry> entriesA = leafEntries(*access, va, a->rootPage);
    EXPECT_FALSE(entriesA.empty()) << what;
    EXPECT_EQ(entriesA, leafEntries(*ours, vo, o->rootPage)) << what << ": entries in order";
    std::vector<std::uint8_t> rootA = pageOf(accessFile, a->rootPage);
    std::vector<std::uint8_t> rootO = pageOf(created, o->rootPage);
    ASSERT_EQ(rootA[0], kPageTypeIndexLeaf) << what << ": the comparison expects single leaves";
    compareLeaf(rootA, *access, rootO, *ours, what);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, TreeComparison, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return "case" + std::to_string(param.index);
                         });

}  // namespace
}  // namespace jet
