// create_test.cpp: new Jet4 and ACE files with every column type a table can be created with,
// read back by the engine and by both independent readers (mdbtools and mdb-reader).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
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

// What a command prints, or nullopt when it fails.
std::optional<std::string> output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
    out.append(buffer, n);
  }
  if (pclose(pipe.release()) != 0) return std::nullopt;
  return out;
}

std::vector<std::uint8_t> wholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The same rows created plain and with a password: the encrypted file reads back, in the engine
// and in mdb-reader, as the plain one does, holds none of its text in plain, and refuses a wrong
// password. A tiny sort budget makes the index keys spill to (sealed) runs.
TEST(CreateDatabase, EncryptedAceFileReadsBackWithItsPassword) {
  testing::ScratchFolder folder;
  const std::string password = "pässwörd";
  auto make = [&](const std::string& name, const std::string& pw) {
    CreateOptions options;
    options.templatePath = kSource + "/third_party/templates/empty-ace12.accdb";
    options.password = pw;
    options.indexSortBudget = 4096;
    std::string path = folder.file(name);
    auto creator = DatabaseCreator::create(path, options);
    EXPECT_TRUE(creator.ok()) << creator.error().description;
    if (!creator.ok()) return path;
    TableSpec table{"Words",
                    {{"Id", ColumnType::kLong}, {"Word", ColumnType::kText, 40},
                     {"Notes", ColumnType::kMemo}},
                    {{"", {{"Id"}}, true}, {"Word", {{"Word"}}}}};
    EXPECT_TRUE((*creator)->addTable(table).ok());
    for (int i = 0; i < 300; ++i) {
      Status s = (*creator)->insertRow({num(i), str("plaintext-marker " + std::to_string(i * 7919 % 300)),
                                        str(repeat("zoë ", static_cast<std::size_t>(i % 50)))});
      EXPECT_TRUE(s.ok()) << s.description();
    }
    Status done = (*creator)->finish();
    EXPECT_TRUE(done.ok()) << done.description();
    return path;
  };
  std::string plain = make("plain.accdb", "");
  std::string sealed = make("sealed.accdb", password);

  std::vector<std::uint8_t> bytes = wholeFile(sealed);
  std::string marker = "plaintext-marker";
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()), bytes.end());
  auto wrong = Database::open(sealed, OpenOptions{"password"});
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error().number, err::kAuthFailed);
  auto problems = checkDatabaseFile(sealed, password);
  ASSERT_TRUE(problems.ok()) << problems.error().description;
  EXPECT_TRUE(problems->empty());

  auto rows = [](const std::string& path, const std::string& pw) {
    std::vector<std::vector<std::string>> out;
    auto db = Database::open(path, OpenOptions{pw});
    EXPECT_TRUE(db.ok()) << db.error().description;
    if (!db.ok()) return out;
    auto table = (*db)->table("Words");
    EXPECT_TRUE(table.ok());
    if (!table.ok()) return out;
    auto scan = (*db)->scan(*table);
    EXPECT_TRUE(scan.ok());
    if (!scan.ok()) return out;
    Row row;
    for (;;) {
      auto more = (*scan)->next(row);
      EXPECT_TRUE(more.ok());
      if (!more.ok() || !*more) break;
      out.push_back({std::to_string(row.values[0].integer), row.values[1].text, row.values[2].text});
    }
    return out;
  };
  auto want = rows(plain, "");
  EXPECT_EQ(want.size(), 300u);
  EXPECT_EQ(rows(sealed, password), want);

  if (output("command -v node >/dev/null") &&
      std::filesystem::exists(kSource + "/tools/oracle/node_modules/mdb-reader")) {
    std::string dump = "node " + kSource + "/tools/oracle/dump.mjs ";
    auto plainDump = output(dump + "'" + plain + "'");
    auto sealedDump = output(dump + "'" + sealed + "' --password '" + password + "'");
    ASSERT_TRUE(plainDump && sealedDump);
    EXPECT_EQ(*sealedDump, *plainDump);
    EXPECT_FALSE(output(dump + "'" + sealed + "' --password wrong 2>/dev/null"));
  }
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
