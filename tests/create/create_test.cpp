// create_test.cpp: new Jet4 and ACE files with every column type a table can be created with,
// read back by the engine and by both independent readers (mdbtools and mdb-reader).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/create/database_creator.h"
#include "jet/core/error_codes.h"
#include "jet/file/fault_hook.h"
#include "jet/integrity_check.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/core/test_values.h"

namespace jet {
namespace {

const std::string kSource = FIELDMEND_SOURCE_DIR;

using testing::flag;
using testing::nul;
using testing::num;
using testing::real;
using testing::str;

std::vector<ColumnSpec> allTypes() {
  return {{"Id", ColumnType::kLong},       {"Small", ColumnType::kInteger},
          {"Tiny", ColumnType::kByte},     {"Price", ColumnType::kCurrency},
          {"Ratio", ColumnType::kSingle},  {"Amount", ColumnType::kDouble},
          {"When", ColumnType::kDateTime}, {"Done", ColumnType::kBoolean},
          {"Name", ColumnType::kText, 50}, {"Notes", ColumnType::kMemo},
          {"Code", ColumnType::kText, 10}};
}

std::string repeat(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Rows that exercise nulls, empty strings, accents, non-BMP characters, a memo just past the
// inline size, one past a single long-value row and one needing a chain of rows.
std::vector<std::vector<Value>> sampleRows() {
  std::vector<std::vector<Value>> rows;
  rows.push_back({num(1), num(-2), num(3), num(123400), real(0.5), real(-1.25), real(45000.5),
                  flag(true), str("Zoë \"quoted\" O'Brien"), str("short memo"), str("A")});
  rows.push_back(
      {num(2), nul(), nul(), nul(), nul(), nul(), nul(), flag(false), str(""), str(""), nul()});
  rows.push_back({num(3), num(32767), num(255), num(-5), real(1e10), real(3.141592653589793),
                  real(1.0), flag(true), str("emoji 😀 and 𝄞"), str(repeat("é", 100)),
                  str("ÀÉÎõü")});
  rows.push_back({num(4), num(-32768), num(0), num(0), real(0), real(0), real(2.75), nul(),
                  str(repeat("x", 50)), str(repeat("long memo line, ", 400)), str("Z")});
  rows.push_back({num(5), num(1), num(1), num(1), real(1), real(1), real(1), flag(false),
                  str("chain"), str(repeat("€uro ", 3000)), str("")});
  return rows;
}

std::string createWith(const std::string& folder, const std::string& name,
                       const std::string& templateName) {
  std::string path = folder + "/" + name;
  CreateOptions options;
  options.templatePath = kSource + "/third_party/templates/" + templateName;
  options.createdAt = 46000.25;
  auto creator = DatabaseCreator::create(path, options);
  EXPECT_TRUE(creator.ok()) << creator.error().description;
  if (!creator.ok()) return path;
  Status s = (*creator)->addTable("Everything", allTypes());
  EXPECT_TRUE(s.ok()) << s.description();
  for (const auto& row : sampleRows()) {
    Status r = (*creator)->insertRow(row);
    EXPECT_TRUE(r.ok()) << r.description();
  }
  s = (*creator)->addTable("Second", {{"Word", ColumnType::kText, 20}});
  EXPECT_TRUE(s.ok()) << s.description();
  EXPECT_TRUE((*creator)->insertRow({str("only row")}).ok());
  s = (*creator)->finish();
  EXPECT_TRUE(s.ok()) << s.description();
  return path;
}

void expectSame(const Value& got, const Value& want, ColumnType type, const std::string& where) {
  ASSERT_EQ(got.isNull, want.isNull && type != ColumnType::kBoolean) << where;
  switch (type) {
    case ColumnType::kBoolean:
      EXPECT_EQ(got.boolean, want.boolean) << where;
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      EXPECT_EQ(got.text, want.text) << where;
      break;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      if (!want.isNull) {
        EXPECT_DOUBLE_EQ(got.real, want.real) << where;
      }
      break;
    default:
      if (!want.isNull) {
        EXPECT_EQ(got.integer, want.integer) << where;
      }
  }
}

void readBack(const std::string& path) {
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto table = (*db)->table("everything");
  ASSERT_TRUE(table.ok()) << table.error().description;
  EXPECT_EQ(table->rowCount, sampleRows().size());
  auto scan = (*db)->scan(*table);
  ASSERT_TRUE(scan.ok()) << scan.error().description;
  std::vector<std::vector<Value>> want = sampleRows();
  Row row;
  std::size_t n = 0;
  for (;;) {
    auto more = (*scan)->next(row);
    ASSERT_TRUE(more.ok()) << more.error().description;
    if (!*more) break;
    ASSERT_LT(n, want.size());
    for (std::size_t c = 0; c < want[n].size(); ++c) {
      expectSame(row.values[c], want[n][c], table->columns[c].type,
                 path + " row " + std::to_string(n) + " column " + table->columns[c].name);
    }
    ++n;
  }
  EXPECT_EQ(n, want.size());
  auto second = (*db)->table("Second");
  ASSERT_TRUE(second.ok()) << second.error().description;
}

void expectIntact(const std::string& path) {
  auto problems = checkDatabaseFile(path);
  ASSERT_TRUE(problems.ok()) << problems.error().description;
  for (const std::string& p : *problems) ADD_FAILURE() << path << ": " << p;
}

int runOracles(const std::string& path) {
  std::string command = "node " + kSource + "/tests/create/check_oracles.mjs '" + path + "'";
  return std::system(command.c_str());
}

TEST(CreateDatabase, Jet4FileReadsBackEverywhere) {
  testing::ScratchFolder folder;
  std::string path = createWith(folder.path(), "new.mdb", "empty-jet4.mdb");
  readBack(path);
  expectIntact(path);
  EXPECT_EQ(runOracles(path), 0);
}

TEST(CreateDatabase, AceFileReadsBackEverywhere) {
  testing::ScratchFolder folder;
  std::string path = createWith(folder.path(), "new.accdb", "empty-ace12.accdb");
  readBack(path);
  expectIntact(path);
  EXPECT_EQ(runOracles(path), 0);
}

// Tables added after a large one need catalogue pages beyond the reach of the catalogue's
// inline usage maps: the maps become reference maps and every table stays readable.
TEST(CreateDatabase, CatalogueGrowsPastItsInlineMaps) {
  for (const char* templateName : {"empty-jet4.mdb", "empty-ace12.accdb"}) {
    testing::ScratchFolder folder;
    std::string path = folder.file(std::string("grown-") + templateName);
    CreateOptions options;
    options.templatePath = kSource + "/third_party/templates/" + templateName;
    auto creator = DatabaseCreator::create(path, options);
    ASSERT_TRUE(creator.ok());
    ASSERT_TRUE(
        (*creator)->addTable("Big", {{"Id", ColumnType::kLong}, {"Memo", ColumnType::kMemo}}).ok());
    for (int i = 0; i < 1200; ++i) {
      ASSERT_TRUE((*creator)->insertRow({num(i), str(std::string(3000, 'x'))}).ok());
    }
    for (int t = 0; t < 6; ++t) {
      Status s = (*creator)->addTable("After" + std::to_string(t), {{"A", ColumnType::kText, 10}});
      ASSERT_TRUE(s.ok()) << s.description();
      ASSERT_TRUE((*creator)->insertRow({str("row")}).ok());
    }
    ASSERT_TRUE((*creator)->finish().ok());
    expectIntact(path);
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok());
    std::size_t tables = 0;
    for (const CatalogEntry& e : (*db)->catalogue()) tables += e.kind == ObjectKind::kTable;
    EXPECT_EQ(tables, 7u);
    auto big = (*db)->table("Big");
    ASSERT_TRUE(big.ok());
    EXPECT_EQ(big->rowCount, 1200u);
    auto last = (*db)->table("After5");
    ASSERT_TRUE(last.ok());
    EXPECT_EQ(last->rowCount, 1u);
  }
}

TEST(CreateDatabase, ShippedSampleIsIntact) { expectIntact(kSource + "/Samples/sample.mdb"); }

TEST(CreateDatabase, RefusesExistingFileBadTemplateDuplicateTableAndBadValues) {
  testing::ScratchFolder folder;
  CreateOptions options;
  options.templatePath = kSource + "/third_party/templates/empty-jet4.mdb";
  std::string path = folder.file("x.mdb");
  testing::writeWhole(path, {1, 2, 3});
  EXPECT_FALSE(DatabaseCreator::create(path, options).ok());
  // A template must be a plain Jet4 or ACE file; its header is judged before any password.
  for (const char* file : {"jackcess/V1997/testV1997.mdb", "jackcess-encrypt/db-enc.mdb",
                           "mdb-reader/password/V2003_with-password.mdb"}) {
    CreateOptions bad = options;
    bad.templatePath = std::string(FIELDMEND_CORPUS_DIR) + "/" + file;
    auto refused = DatabaseCreator::create(folder.file("t.mdb"), bad);
    ASSERT_FALSE(refused.ok()) << file;
    EXPECT_EQ(refused.error().number, err::kUnsupported) << file;
    EXPECT_NE(refused.error().description.find(bad.templatePath), std::string::npos) << file;
  }

  auto creator = DatabaseCreator::create(folder.file("y.mdb"), options);
  ASSERT_TRUE(creator.ok()) << creator.error().description;
  ASSERT_TRUE((*creator)->addTable("T", {{"A", ColumnType::kText, 3}}).ok());
  Status tooLong = (*creator)->insertRow({str("abcd")});
  EXPECT_EQ(tooLong.number(), err::kDataOverflow);
  EXPECT_NE(tooLong.description().find("\"A\""), std::string::npos);
  EXPECT_FALSE((*creator)->addTable("t", {{"B", ColumnType::kLong}}).ok());
  EXPECT_FALSE((*creator)->addTable("MSysObjects", {{"B", ColumnType::kLong}}).ok());
  EXPECT_FALSE((*creator)->addTable("U", {{"B", ColumnType::kOle}}).ok());
  EXPECT_FALSE(
      (*creator)->addTable("V", {{"B", ColumnType::kLong}, {"b", ColumnType::kLong}}).ok());
  ASSERT_TRUE((*creator)->finish().ok());
}

// A crash at any write while the file is built never leaves a file under the database's name.
TEST(CreateDatabase, CrashAtAnyWriteLeavesNoDatabase) {
  testing::ScratchFolder folder;
  CreateOptions options;
  options.templatePath = kSource + "/third_party/templates/empty-jet4.mdb";
  auto build = [&](const std::string& path) -> Status {
    auto creator = DatabaseCreator::create(path, options);
    if (!creator.ok()) return creator.status();
    JET_TRY((*creator)->addTable("T", {{"Id", ColumnType::kLong}, {"Note", ColumnType::kMemo}}));
    for (int i = 0; i < 300; ++i)
      JET_TRY((*creator)->insertRow({num(i), str(std::string(900, 'n'))}));
    JET_TRY((*creator)->addTable("U", {{"A", ColumnType::kText, 5}}));
    return (*creator)->finish();
  };
  FaultHook counter = FaultHook::counting();
  options.faults = &counter;
  ASSERT_TRUE(build(folder.file("whole.mdb")).ok());
  int writes = counter.writes();
  ASSERT_GT(writes, 10);
  for (int n = 0; n < writes; n += std::max(1, writes / 40)) {
    FaultHook cut = FaultHook::stopAfter(n);
    options.faults = &cut;
    std::string path = folder.file("cut" + std::to_string(n) + ".mdb");
    EXPECT_FALSE(build(path).ok()) << "write " << n;
    EXPECT_FALSE(RawFile::exists(path)) << "write " << n;
  }
}

TEST(CreateDatabase, UnfinishedFileLeavesNothingBehind) {
  testing::ScratchFolder folder;
  CreateOptions options;
  options.templatePath = kSource + "/third_party/templates/empty-ace12.accdb";
  {
    auto creator = DatabaseCreator::create(folder.file("gone.accdb"), options);
    ASSERT_TRUE(creator.ok());
    ASSERT_TRUE((*creator)->addTable("T", {{"A", ColumnType::kLong}}).ok());
  }
  EXPECT_FALSE(RawFile::exists(folder.file("gone.accdb")));
  EXPECT_FALSE(RawFile::exists(folder.file("gone.accdb.partial")));
}

}  // namespace
}  // namespace jet
