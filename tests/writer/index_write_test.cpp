// index_write_test.cpp: changes of indexed text columns on copies of corpus files: keys that move
// far in the order, grow until leaves and nodes split, and move away until pages empty, in
// ascending, descending, composite, unique and ignore-nulls indexes of every version. Then the
// index check passes and both oracles read the expected rows. Plus the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/file/fault_hook.h"
#include "jet/index_check.h"
#include "jet/index/index_maintainer.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct Case {
  std::string file;
  std::string table;
  bool nodesSplit = false;  // the long keys of the second pass split node pages too
};

// Row `r` of `rows` in pass `pass`: far moves (reversed order), long keys (splits), then short
// keys under "A" (the long ones leave their pages). Distinct per row, so unique indexes hold.
std::string valueFor(std::size_t r, std::size_t rows, int pass, std::size_t limit,
                     bool unicode = false) {
  // Five digits, distinct between passes so that no row takes a key another still holds.
  std::size_t n = pass == 0 ? rows - r : (pass == 1 ? 50000 + r : 20000 + r);
  std::string number = std::to_string(100000 + n).substr(1);
  std::string text;
  if (pass == 0) text = std::string("zz moved ") + number;
  // Accents, Cyrillic and a character beyond U+FFFF where the column is long enough.
  if (pass == 0 && unicode && limit >= 40) text = "zz ménage Жук \xF0\x9F\x98\x80 " + number;
  if (pass == 1) text = number + std::string(limit > 40 ? limit - 6 : limit, 'L');
  if (pass == 2) text = std::string("A") + number;
  if (text.size() > limit)
    text = pass == 1 ? text.substr(0, limit) : text.substr(text.size() - limit);
  return text;
}

// Pages of the file whose type is one of `types`.
std::size_t pagesOfType(const std::string& path, const jet::Format& f,
                        std::initializer_list<std::uint8_t> types) {
  auto bytes = fileBytes(path);
  std::size_t pages = 0;
  for (std::size_t at = f.pageSize; at + f.pageSize <= bytes.size(); at += f.pageSize) {
    if (std::find(types.begin(), types.end(), bytes[at]) != types.end() && bytes[at + 1] == 0x01) {
      ++pages;
    }
  }
  return pages;
}

// Index pages (node or leaf), and index node pages, in the file.
std::size_t indexPages(const std::string& path, const jet::Format& f) {
  return pagesOfType(path, f, {jet::kPageTypeIndexNode, jet::kPageTypeIndexLeaf});
}
std::size_t nodePages(const std::string& path, const jet::Format& f) {
  return pagesOfType(path, f, {jet::kPageTypeIndexNode});
}

std::vector<std::string> indexProblems(const std::string& path) {
  auto db = jet::Database::open(path);
  if (!db.ok()) return {db.error().description};
  auto problems = jet::checkIndexes(**db);
  if (!problems.ok()) return {problems.error().description};
  return *problems;
}

class IndexWrite : public ::testing::TestWithParam<Case> {};

TEST_P(IndexWrite, IndexedTextChangesKeepEveryIndexRight) {
  const Case& c = GetParam();
  TempDir dir;
  std::string before = dir.copy(c.file);
  ASSERT_EQ(indexProblems(before), std::vector<std::string>{}) << "the original";
  std::string after = dir.path("changed.db");
  std::filesystem::copy_file(before, after);
  std::string expect;
  std::size_t changedCells = 0;
  for (int pass = 0; pass < 3; ++pass) {
    auto writer = jet::DatabaseWriter::open(after);
    ASSERT_TRUE(writer.ok()) << writer.error().description;
    auto db = jet::Database::open(after);
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto def = (*db)->table(c.table);
    ASSERT_TRUE(def.ok()) << def.error().description;
    auto table = (*writer)->table(*def);
    ASSERT_TRUE(table.ok());
    std::vector<jet::RowLocator> rows;
    {
      auto scan = (*db)->scan(*def);
      ASSERT_TRUE(scan.ok());
      for (jet::Row row; *(*scan)->next(row);) rows.push_back(row.locator);
    }
    ASSERT_FALSE(rows.empty());
    expect = "{\"cells\":[";
    bool first = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      jet::CellChanges changes;
      for (std::size_t i = 0; i < def->columns.size(); ++i) {
        const auto& col = def->columns[i];
        jet::Value v;
        v.isNull = false;
        if (col.type != jet::ColumnType::kText || !(*table)->checkColumn(i, v).ok()) continue;
        std::size_t limit = (*writer)->jet3() ? col.length : col.length / 2u;
        v.text = valueFor(r, rows.size(), pass, limit, !(*writer)->jet3());
        changes.emplace_back(i, v);
        expect += std::string(first ? "" : ",") + "[" + std::to_string(r) + "," +
                  jsonString(col.name) + "," + jsonString(v.text) + "]";
        first = false;
      }
      ASSERT_FALSE(changes.empty()) << "no writable column in " << c.table;
      jet::Status s = (*writer)->updateRow(**table, rows[r], changes);
      ASSERT_TRUE(s.ok()) << "pass " << pass << " row " << r << ": " << s.description();
      changedCells += changes.size();
    }
    ASSERT_TRUE((*writer)->close().ok());
    expect += "]}";
    auto problems = integrityProblems(after);
    ASSERT_TRUE(problems.empty()) << "pass " << pass << ": " << problems.front();
    if (pass == 2 && c.nodesSplit) {
      // The long keys left their pages; emptied pages are dropped (zeroed, out of the index map).
      auto bytes = fileBytes(after);
      std::size_t zeroed = 0;
      for (std::size_t at = 2048; at + 2048 <= bytes.size(); at += 2048) {
        zeroed += std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + 2048),
                              [](std::uint8_t b) { return b == 0; });
      }
      EXPECT_GT(zeroed, 0u);
    }
    if (pass == 1 && c.nodesSplit) {
      const jet::Format& f =
          c.file.find("V1997") != std::string::npos ? jet::kFormatJet3 : jet::kFormatJet4;
      EXPECT_GT(nodePages(after, f), nodePages(before, f) + 1);
    }
  }
  EXPECT_GT(changedCells, 0u);
  if (std::getenv("KEEP_INDEX_WRITE") != nullptr) {
    std::filesystem::copy_file(after, std::string("/tmp/kept-") + c.table + ".db",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(before, std::string("/tmp/orig-") + c.table + ".db",
                               std::filesystem::copy_options::overwrite_existing);
  }
  if (haveOracles()) {
    EXPECT_EQ(oracleDifferences(before, after, c.table, expect), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, IndexWrite,
    ::testing::Values(Case{"jackcess/V1997/indexTestV1997.mdb", "Table1"},
                      Case{"jackcess/V1997/compIndexTestV1997.mdb", "Table1"},
                      Case{"jackcess/V1997/testIndexCodesV1997.mdb", "Table1", true},
                      Case{"jackcess/V1997/testIndexCodesV1997.mdb", "Table1_desc"},
                      Case{"jackcess/V1997/testIndexCodesV1997.mdb", "Table12_asc_desc"},
                      Case{"jackcess/V2000/indexTestV2000.mdb", "Table1"},
                      Case{"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableIgnoreNulls2"},
                      Case{"jackcess/V2007/indexTestV2007.accdb", "Table1"},
                      Case{"jackcess/V2010/testIndexPropertiesV2010.accdb", "TableUnique2_temp"},
                      Case{"jackcess/V2010/testIndexPropertiesV2010.accdb", "TableIgnoreNulls1"},
                      Case{"jackcess/V2010/testEmoticonsV2010.accdb", "data"},
                      Case{"mdb-reader/real/ASampleDatabase.accdb", "Asset Items"}),
    [](const auto& param) {
      std::string name =
          param.param.file.substr(param.param.file.rfind('/') + 1) + "_" + param.param.table;
      for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

jet::Value text(const std::string& s) {
  jet::Value v;
  v.isNull = false;
  v.text = s;
  return v;
}

// A writer and a reader on `path`, with `tableName`'s rows and the position of `column`.
struct OpenTable {
  std::unique_ptr<jet::DatabaseWriter> writer;
  std::unique_ptr<jet::Database> db;
  jet::TableDef def;
  jet::TableWriter* table = nullptr;
  std::vector<jet::RowLocator> rows;
  std::size_t column = 0;
};

void openTable(const std::string& path, const std::string& tableName, const std::string& column,
               OpenTable& out) {
  auto writer = jet::DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok());
  out.writer = std::move(*writer);
  auto db = jet::Database::open(path);
  ASSERT_TRUE(db.ok());
  out.db = std::move(*db);
  auto def = out.db->table(tableName);
  ASSERT_TRUE(def.ok());
  out.def = *def;
  auto table = out.writer->table(out.def);
  ASSERT_TRUE(table.ok());
  out.table = *table;
  auto scan = out.db->scan(out.def);
  for (jet::Row r; *(*scan)->next(r);) out.rows.push_back(r.locator);
  while (out.column < out.def.columns.size() && out.def.columns[out.column].name != column)
    ++out.column;
  ASSERT_LT(out.column, out.def.columns.size());
}

// Copies `file`, runs `change` on the table's rows; expects `number` naming `mentions`, and the
// file byte for byte as before.
void expectRefused(const std::string& file, const std::string& tableName, std::size_t row,
                   const std::string& column, const std::string& value, std::int32_t number,
                   const std::vector<std::string>& mentions) {
  TempDir dir;
  std::string path = dir.copy(file);
  auto original = fileBytes(path);
  {
    OpenTable t;
    openTable(path, tableName, column, t);
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_GT(t.rows.size(), row);
    jet::Status s = t.writer->updateRow(*t.table, t.rows[row], {{t.column, text(value)}});
    EXPECT_EQ(s.number(), number) << s.description();
    for (const auto& word : mentions) {
      EXPECT_NE(s.description().find(word), std::string::npos) << s.description();
    }
    ASSERT_TRUE(t.writer->close().ok());
  }
  EXPECT_EQ(fileBytes(path), original) << file;
}

TEST(IndexWriteRefusal, UniqueKeysIgnoringCase) {
  // TableUnique1_temp: a unique index over "data"; row 0 holds "stuff", row 2 "more".
  expectRefused("jackcess/V2010/testIndexPropertiesV2010.accdb", "TableUnique1_temp", 2, "data",
                "STUFF", jet::err::kUniqueViolation, {"\"STUFF\"", "TableUnique1_temp", "unique"});
  expectRefused("jackcess/V2010/testIndexPropertiesV2010.accdb", "TableUnique1_temp", 2, "data",
                "stuff", jet::err::kUniqueViolation, {"\"stuff\"", "TableUnique1_temp"});
}

jet::TableDef syntheticTable() {
  jet::TableDef t;
  t.name = "Orders";
  jet::Column c;
  c.name = "Customer";
  c.type = jet::ColumnType::kText;
  c.number = 1;
  c.sortOrder = 1033;
  t.columns.push_back(c);
  jet::IndexDef index;
  index.number = 0;
  index.columns.push_back(jet::IndexColumn{1, true});
  index.rootPage = 5;
  t.indexes.push_back(index);
  return t;
}

TEST(IndexWriteRefusal, RelationshipsAndForeignSortOrders) {
  struct NoPages : jet::PageSource {
    std::uint32_t pageSize() const override { return 4096; }
    std::uint32_t pageCount() const override { return 0; }
    jet::Status readPage(std::uint32_t, std::span<std::uint8_t>) const override {
      return jet::Error{jet::err::kIo, "no pages"};
    }
  } source;
  jet::PageCache pages(source);
  jet::PageAllocator allocator(pages, false);

  jet::TableDef related = syntheticTable();
  related.logicalIndexes.push_back(jet::LogicalIndexDef{"CustomersOrders", 0, 0, 2, 7, 0});
  jet::IndexMaintainer withRelationship(pages, allocator, related, jet::Version::kJet4, 0, true,
                                        "db.accdb");
  jet::Status s = withRelationship.checkColumn(related.columns[0]);
  EXPECT_EQ(s.number(), jet::err::kRelationship);
  EXPECT_NE(s.description().find("CustomersOrders"), std::string::npos) << s.description();
  EXPECT_NE(s.description().find("Customer"), std::string::npos) << s.description();

  jet::TableDef foreign = syntheticTable();
  foreign.columns[0].sortOrder = 1031;  // a German sort order
  jet::IndexMaintainer withSortOrder(pages, allocator, foreign, jet::Version::kJet4, 0, true,
                                     "db.accdb");
  s = withSortOrder.checkColumn(foreign.columns[0]);
  EXPECT_EQ(s.number(), jet::err::kUnsupported);
  EXPECT_NE(s.description().find("1031"), std::string::npos) << s.description();
  EXPECT_NE(s.description().find("Customer"), std::string::npos) << s.description();

  jet::TableDef plain = syntheticTable();
  jet::IndexMaintainer fine(pages, allocator, plain, jet::Version::kJet4, 0, true, "db.accdb");
  EXPECT_TRUE(fine.checkColumn(plain.columns[0]).ok());
}

TEST(IndexWriteRefusal, ColumnsOfAnEnforcedRelationshipInARealFile) {
  // indexTestV2010: Table1.otherfk1 references Table2.id with enforced integrity.
  auto db = jet::Database::open(corpus("jackcess/V2010/indexTestV2010.accdb"));
  ASSERT_TRUE(db.ok());
  for (const char* name : {"Table1", "Table2"}) {
    auto def = (*db)->table(name);
    ASSERT_TRUE(def.ok());
    struct NoPages : jet::PageSource {
      std::uint32_t pageSize() const override { return 4096; }
      std::uint32_t pageCount() const override { return 0; }
      jet::Status readPage(std::uint32_t, std::span<std::uint8_t>) const override {
        return jet::Error{jet::err::kIo, "no pages"};
      }
    } source;
    jet::PageCache pages(source);
    jet::PageAllocator allocator(pages, false);
    jet::IndexMaintainer maintainer(pages, allocator, *def, jet::Version::kJet4, 0, true, "f");
    const char* column = std::string(name) == "Table1" ? "otherfk1" : "id";
    auto c = std::find_if(def->columns.begin(), def->columns.end(),
                          [&](const jet::Column& col) { return col.name == column; });
    ASSERT_NE(c, def->columns.end());
    jet::Status s = maintainer.checkColumn(*c);
    EXPECT_EQ(s.number(), jet::err::kRelationship) << name << ": " << s.description();
    EXPECT_NE(s.description().find("between tables"), std::string::npos) << s.description();
    if (std::string(name) == "Table1") {
      EXPECT_NE(s.description().find("Table2Table1"), std::string::npos) << s.description();
    }
  }
}

// Runs `steps` (row, value, expected error number or 0) one after another on `table`'s "data"
// column in a copy of `file`, then checks the file (index entries against rows included).
void expectUniqueSteps(
    const std::string& file, const std::string& tableName,
    const std::vector<std::tuple<std::size_t, std::string, std::int32_t>>& steps) {
  TempDir dir;
  std::string path = dir.copy(file);
  {
    OpenTable t;
    openTable(path, tableName, "data", t);
    if (::testing::Test::HasFatalFailure()) return;
    for (const auto& [row, value, number] : steps) {
      ASSERT_LT(row, t.rows.size());
      jet::Status s = t.writer->updateRow(*t.table, t.rows[row], {{t.column, text(value)}});
      EXPECT_EQ(s.number(), number)
          << file << ": row " << row << " := " << value << ": " << s.description();
    }
    ASSERT_TRUE(t.writer->close().ok());
  }
  auto problems = integrityProblems(path);
  EXPECT_TRUE(problems.empty()) << file << ": " << problems.front();
}

// Case never makes two keys different, in any script the sort order covers; accents do.
TEST(IndexWriteRefusal, UniqueKeysIgnoreCaseInEveryScript) {
  constexpr std::int32_t kClash = jet::err::kUniqueViolation;
  for (const char* file : {"jackcess/V2003/testIndexPropertiesV2003.mdb",
                           "jackcess/V2010/testIndexPropertiesV2010.accdb"}) {
    // Row 0 holds "stuff", row 2 "more".
    expectUniqueSteps(file, "TableUnique1_temp",
                      {{2, "Ελλάδα", 0},
                       {0, "ΕΛΛΆΔΑ", kClash},
                       {0, "Ελλαδα", 0},
                       {2, "straße", 0},
                       {0, "STRASSE", kClash},
                       {0, "Жёлтый", 0},
                       {2, "ЖЁЛТЫЙ", kClash},
                       {2, "Желтый", 0}});
  }
}

// One commit that gives 60 rows long keys (splitting leaves of two indexes), cut after
// each of its writes in turn and garbled at each: reopening rolls back to the file before or
// after, and the integrity and index checks pass.
jet::Status growKeys(const std::string& path, jet::FaultHook* faults) {
  jet::WriterOptions options;
  options.faults = faults;
  auto writer = jet::DatabaseWriter::open(path, options);
  if (!writer.ok()) return writer.error();
  auto db = jet::Database::open(path);
  if (!db.ok()) return db.error();
  auto def = (*db)->table("Table1");
  if (!def.ok()) return def.error();
  auto table = (*writer)->table(*def);
  if (!table.ok()) return table.error();
  auto scan = (*db)->scan(*def);
  if (!scan.ok()) return scan.error();
  std::size_t r = 0;
  for (jet::Row row; *(*scan)->next(row) && r < 60; ++r) {
    jet::CellChanges changes;
    for (std::size_t i = 0; i < def->columns.size(); ++i) {
      if (def->columns[i].type != jet::ColumnType::kText) continue;
      changes.emplace_back(i, text(valueFor(r, 60, 1, def->columns[i].length)));
    }
    JET_TRY((*table)->updateRow(row.locator, changes));
  }
  return (*writer)->flush();
}

TEST(IndexWriteCrash, EveryCutOfAnIndexSplitLeavesTheFileBeforeOrAfter) {
  const std::string file = "jackcess/V1997/testIndexCodesV1997.mdb";
  TempDir dir;
  std::string pristine = dir.copy(file);
  auto before = fileBytes(pristine);
  std::string probe = dir.path("probe.mdb");
  std::filesystem::copy_file(pristine, probe);
  jet::FaultHook counter = jet::FaultHook::counting();
  ASSERT_TRUE(growKeys(probe, &counter).ok());
  const int writes = counter.writes();
  auto after = fileBytes(probe);
  ASSERT_GT(indexPages(probe, jet::kFormatJet3), indexPages(pristine, jet::kFormatJet3)) << "no index page split";
  ASSERT_TRUE(integrityProblems(probe).empty()) << integrityProblems(probe).front();
  int rolledBack = 0;
  for (int n = 0; n < writes; ++n) {
    for (bool garble : {false, true}) {
      if (garble && n == 0) continue;
      SCOPED_TRACE("cut at write " + std::to_string(n) + (garble ? " (garbled)" : ""));
      std::string path = dir.path("cut.mdb");
      std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
      jet::FaultHook hook = garble ? jet::FaultHook::garbleAt(n) : jet::FaultHook::stopAfter(n);
      EXPECT_FALSE(growKeys(path, &hook).ok());
      {
        auto reopened = jet::DatabaseWriter::open(path);
        ASSERT_TRUE(reopened.ok()) << reopened.error().description;
        if ((*reopened)->recovery() == jet::Recovery::kRolledBack) ++rolledBack;
      }
      auto now = fileBytes(path);
      EXPECT_TRUE(now == before || now == after);
      auto problems = integrityProblems(path);
      EXPECT_TRUE(problems.empty()) << problems.front();
    }
  }
  EXPECT_GT(rolledBack, 0);
}

}  // namespace
