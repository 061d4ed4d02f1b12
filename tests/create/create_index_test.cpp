// create_index_test.cpp: tables created with indexes and primary keys: the definition read back,
// every index checked against its rows (small single-leaf trees and trees several levels deep),
// both independent readers, changes through the writer afterwards, and refused duplicates.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/create/database_creator.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/file/fault_hook.h"
#include "jet/index/index_page.h"
#include "jet/integrity_check.h"
#include "jet/file/page_file.h"
#include "jet/file/raw_file.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

const std::string kSource = FIELDMEND_SOURCE_DIR;
const std::array<const char*, 2> kTemplates = {"empty-jet4.mdb", "empty-ace12.accdb"};

Value num(std::int64_t v) {
  Value x;
  x.isNull = false;
  x.integer = v;
  return x;
}
Value str(std::string s) {
  Value x;
  x.isNull = false;
  x.text = std::move(s);
  return x;
}

CreateOptions optionsFor(const std::string& templateName) {
  CreateOptions options;
  options.templatePath = kSource + "/third_party/templates/" + templateName;
  options.createdAt = 46000.5;
  return options;
}

// People: Id (primary key), Name (ascending), Code (descending; unique, ignoring nulls),
// Name + Score descending (composite), and a memo that no index may cover.
TableSpec people() {
  TableSpec t;
  t.name = "People";
  t.columns = {{"Id", ColumnType::kLong},
               {"Name", ColumnType::kText, 60},
               {"Code", ColumnType::kText, 12},
               {"Score", ColumnType::kLong},
               {"Notes", ColumnType::kMemo}};
  t.indexes = {{"", {{"Id"}}, true},
               {"Name", {{"Name"}}},
               {"CodeDown", {{"Code", false}}, false, true, true},
               {"NameScore", {{"Name"}, {"Score", false}}}};
  return t;
}

// Row i: names repeat (so non-unique keys tie and sort by row), every seventh code is null.
std::vector<Value> personRow(int i) {
  static const char* kNames[] = {"Zoë", "adam", "Émile", "ADAM", "bob", "O'Brien", "ça va"};
  std::string name = std::string(kNames[i % 7]) + " " + std::to_string(i % 50);
  Value code = i % 7 == 3 ? Value{} : str("C" + std::to_string(100000 + i));
  return {num(i), str(name), code, num(i % 13 - 6), str("note " + std::to_string(i))};
}

std::string createPeople(const testing::ScratchFolder& folder, const std::string& templateName,
                         int rows) {
  std::string path = folder.file("people-" + std::to_string(rows) + "-" + templateName);
  auto creator = DatabaseCreator::create(path, optionsFor(templateName));
  EXPECT_TRUE(creator.ok()) << creator.error().description;
  Status s = (*creator)->addTable(people());
  EXPECT_TRUE(s.ok()) << s.description();
  for (int i = 0; i < rows && s.ok(); ++i) s = (*creator)->insertRow(personRow(i));
  EXPECT_TRUE(s.ok()) << s.description();
  s = (*creator)->addTable("Plain", {{"Word", ColumnType::kText, 20}});
  EXPECT_TRUE(s.ok()) << s.description();
  s = (*creator)->finish();
  EXPECT_TRUE(s.ok()) << s.description();
  return path;
}

void expectIntact(const std::string& path) {
  auto problems = checkDatabaseFile(path);
  ASSERT_TRUE(problems.ok()) << problems.error().description;
  for (const std::string& p : *problems) ADD_FAILURE() << path << ": " << p;
}

// Levels from the root of `index` down to its leaves.
std::size_t depthOf(const std::string& path, Version version, std::uint32_t root) {
  auto file = PageFile::openReadOnly(path);
  EXPECT_TRUE(file.ok());
  std::size_t depth = 1;
  for (std::uint32_t page = root;; ++depth) {
    std::vector<std::uint8_t> bytes(4096);
    EXPECT_TRUE((*file)->read(std::uint64_t{page} * 4096, bytes).ok());
    auto parsed = parseIndexPage(bytes, formatFor(version), page);
    EXPECT_TRUE(parsed.ok());
    if (!parsed.ok() || parsed->leaf || parsed->entries.empty()) return depth;
    page = parsed->entries.front().childPage;
  }
}

// The distinct-key count the definition keeps for real index `number`.
std::uint32_t keyCount(const std::string& path, std::uint32_t tdefPage, std::size_t number) {
  auto file = PageFile::openReadOnly(path);
  EXPECT_TRUE(file.ok());
  std::vector<std::uint8_t> page(kFormatJet4.pageSize);
  EXPECT_TRUE((*file)->read(std::uint64_t{tdefPage} * kFormatJet4.pageSize, page).ok());
  return readUniqueEntryCount(page, kFormatJet4, static_cast<std::uint32_t>(number)).value_or(0);
}

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    out.append(buffer.data(), n);
  ::pclose(pipe);
  return out;
}

void expectDefinition(const TableDef& t) {
  ASSERT_EQ(t.indexes.size(), 4u);
  ASSERT_EQ(t.logicalIndexes.size(), 4u);
  // In name order, as Access keeps them; numbered and backed in the order they were asked for.
  const char* names[] = {"CodeDown", "Name", "NameScore", "PrimaryKey"};
  const std::uint32_t numbers[] = {2, 1, 3, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(t.logicalIndexes[i].name, names[i]);
    EXPECT_EQ(t.logicalIndexes[i].number, numbers[i]);
    EXPECT_EQ(t.logicalIndexes[i].physicalIndex, numbers[i]);
  }
  EXPECT_EQ(t.logicalIndexes[3].type, 1);
  EXPECT_EQ(t.indexes[0].flags, 0x89);  // unique, required
  EXPECT_EQ(t.indexes[2].flags, 0x83);  // unique, ignore nulls
  ASSERT_EQ(t.indexes[2].columns.size(), 1u);
  EXPECT_FALSE(t.indexes[2].columns[0].ascending);
  ASSERT_EQ(t.indexes[3].columns.size(), 2u);
  EXPECT_EQ(t.indexes[3].columns[0].columnNumber, t.columns[1].number);
  EXPECT_TRUE(t.indexes[3].columns[0].ascending);
  EXPECT_EQ(t.indexes[3].columns[1].columnNumber, t.columns[3].number);
  EXPECT_FALSE(t.indexes[3].columns[1].ascending);
  for (const IndexDef& ix : t.indexes) EXPECT_NE(ix.rootPage, 0u);
  ASSERT_EQ(t.longValueMaps.size(), 1u);
}

TEST(CreateIndexes, SmallAndDeepTreesCheckAndReadBack) {
  for (const char* templateName : kTemplates) {
    testing::ScratchFolder folder;
    for (int rows : {0, 40, 3000}) {
      std::string path = createPeople(folder, templateName, rows);
      expectIntact(path);
      auto db = Database::open(path);
      ASSERT_TRUE(db.ok()) << db.error().description;
      auto t = (*db)->table("People");
      ASSERT_TRUE(t.ok()) << t.error().description;
      expectDefinition(*t);
      EXPECT_EQ(t->rowCount, static_cast<std::uint32_t>(rows));
      std::size_t depth = depthOf(path, (*db)->header().version, t->indexes[1].rootPage);
      EXPECT_EQ(depth, rows == 3000 ? 2u : 1u) << path;
      EXPECT_EQ(keyCount(path, t->tdefPage, 0), static_cast<std::uint32_t>(rows));
      // 350 names, of which "adam n" and "ADAM n" share their keys.
      EXPECT_EQ(keyCount(path, t->tdefPage, 1), rows == 0 ? 0u : rows == 40 ? 40u : 300u);
    }
  }
}

// Keys of about 250 bytes leave a dozen entries per page: three levels and more. A small sort
// budget sends the keys through spilled runs, which are gone afterwards.
TEST(CreateIndexes, LongKeysBuildSeveralLevels) {
  for (const char* templateName : kTemplates) {
    testing::ScratchFolder folder;
    std::string path = folder.file(std::string("deep-") + templateName);
    CreateOptions options = optionsFor(templateName);
    options.indexSortBudget = 128 * 1024;
    auto creator = DatabaseCreator::create(path, options);
    ASSERT_TRUE(creator.ok());
    TableSpec t{"Deep",
                {{"Id", ColumnType::kLong}, {"Long", ColumnType::kText, 255}},
                {{"ByLong", {{"Long"}, {"Id"}}}, {"", {{"Id"}}, true}}};
    ASSERT_TRUE((*creator)->addTable(t).ok());
    for (int i = 0; i < 2500; ++i) {
      std::string text = std::to_string((i * 7919) % 2500) + std::string(240, 'k');
      ASSERT_TRUE((*creator)->insertRow({num(i), str(text)}).ok());
    }
    ASSERT_TRUE((*creator)->finish().ok());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    expectIntact(path);
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Deep");
    ASSERT_TRUE(def.ok());
    EXPECT_GE(depthOf(path, (*db)->header().version, def->indexes[0].rootPage), 3u);
  }
}

TEST(CreateIndexes, BothOraclesReadIndexedTables) {
  if (std::system("command -v mdb-schema >/dev/null && command -v node >/dev/null") != 0) {
    GTEST_SKIP() << "mdbtools or node missing";
  }
  for (const char* templateName : kTemplates) {
    testing::ScratchFolder folder;
    std::string path = createPeople(folder, templateName, 300);
    std::string schema = run("mdb-schema --indexes '" + path + "' mysql 2>&1");
    for (const char* line : {"ADD PRIMARY KEY (`Id`)", "ADD INDEX `Name` (`Name`)",
                             "ADD UNIQUE INDEX `CodeDown` (`Code` DESC)",
                             "ADD INDEX `NameScore` (`Name`, `Score` DESC)"}) {
      EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;
    }
    std::string json = run("mdb-json '" + path + "' People 2>&1");
    std::size_t lines = 0;
    for (char c : json) lines += c == '\n';
    EXPECT_EQ(lines, 300u);
    EXPECT_NE(json.find("\"Name\":\"Émile 2\""), std::string::npos);
    std::string dump =
        run("node " + kSource + "/tools/oracle/dump.mjs '" + path + "' --table People 2>&1");
    EXPECT_NE(dump.find("\"rowCount\":300"), std::string::npos) << dump.substr(0, 300);
    EXPECT_NE(dump.find("\"ça va 6\""), std::string::npos);
  }
}

// The trees built are ones the writer can maintain: changing indexed text moves entries
// between leaves (and splits them) and every index still matches its rows.
TEST(CreateIndexes, WriterMaintainsCreatedIndexes) {
  for (const char* templateName : kTemplates) {
    testing::ScratchFolder folder;
    std::string path = createPeople(folder, templateName, 3000);
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("People");
    ASSERT_TRUE(def.ok());
    std::vector<RowLocator> rows;
    {
      auto scan = (*db)->scan(*def);
      ASSERT_TRUE(scan.ok());
      for (Row row; *(*scan)->next(row);) rows.push_back(row.locator);
    }
    db->reset();
    auto writer = DatabaseWriter::open(path);
    ASSERT_TRUE(writer.ok()) << writer.error().description;
    auto table = (*writer)->table(*def);
    ASSERT_TRUE(table.ok());
    for (std::size_t r = 0; r < rows.size(); r += 3) {
      std::string name = "renamed " + std::string(40, 'a' + static_cast<char>(r % 26));
      CellChanges changes{{1, str(name)}, {2, str("N" + std::to_string(r))}};
      Status s = (*writer)->updateRow(**table, rows[r], changes);
      ASSERT_TRUE(s.ok()) << "row " << r << ": " << s.description();
    }
    Status clash = (*writer)->updateRow(**table, rows[1], {{2, str("n0")}});
    EXPECT_EQ(clash.number(), err::kUniqueViolation) << clash.description();
    ASSERT_TRUE((*writer)->close().ok());
    writer->reset();
    expectIntact(path);
  }
}

TEST(CreateIndexes, DuplicateUnderUniqueIndexIsRefused) {
  for (const char* templateName : kTemplates) {
    testing::ScratchFolder folder;
    std::string path = folder.file(std::string("dup-") + templateName);
    auto creator = DatabaseCreator::create(path, optionsFor(templateName));
    ASSERT_TRUE(creator.ok());
    ASSERT_TRUE((*creator)->addTable(people()).ok());
    for (int i = 0; i < 500; ++i) ASSERT_TRUE((*creator)->insertRow(personRow(i)).ok());
    std::vector<Value> twin = personRow(500);
    twin[2] = str("c100042");  // row 42's code in other case
    ASSERT_TRUE((*creator)->insertRow(twin).ok());
    Status s = (*creator)->finish();
    EXPECT_EQ(s.number(), err::kUniqueViolation);
    EXPECT_NE(s.description().find("\"CodeDown\""), std::string::npos) << s.description();
    EXPECT_NE(s.description().find("100042\""), std::string::npos) << s.description();
    creator->reset();
    EXPECT_FALSE(RawFile::exists(path));
    EXPECT_FALSE(RawFile::exists(path + ".partial"));

    // A repeated primary key is refused the same way; a null in it at once.
    auto again = DatabaseCreator::create(path, optionsFor(templateName));
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE((*again)->addTable(people()).ok());
    std::vector<Value> noId = personRow(1);
    noId[0] = Value{};
    Status nullKey = (*again)->insertRow(noId);
    EXPECT_EQ(nullKey.number(), err::kCantConvertValue);
    EXPECT_NE(nullKey.description().find("PrimaryKey"), std::string::npos);
    ASSERT_TRUE((*again)->insertRow(personRow(1)).ok());
    std::vector<Value> sameId = personRow(2);
    sameId[0] = num(1);
    ASSERT_TRUE((*again)->insertRow(sameId).ok());
    Status next = (*again)->addTable("Other", {{"A", ColumnType::kLong}});
    EXPECT_EQ(next.number(), err::kUniqueViolation);
    EXPECT_NE(next.description().find("PrimaryKey"), std::string::npos) << next.description();
  }
}

// A crash at any write while indexes are built never leaves a file under the database's name.
TEST(CreateIndexes, CrashAtAnyWriteLeavesNothing) {
  testing::ScratchFolder folder;
  CreateOptions options = optionsFor(kTemplates[0]);
  auto build = [&](const std::string& path) -> Status {
    auto creator = DatabaseCreator::create(path, options);
    if (!creator.ok()) return creator.status();
    JET_TRY((*creator)->addTable(people()));
    for (int i = 0; i < 1500; ++i) JET_TRY((*creator)->insertRow(personRow(i)));
    return (*creator)->finish();
  };
  FaultHook counter = FaultHook::counting();
  options.faults = &counter;
  ASSERT_TRUE(build(folder.file("whole.mdb")).ok());
  int writes = counter.writes();
  for (int n = writes / 2; n < writes; n += std::max(1, writes / 30)) {
    FaultHook cut = FaultHook::stopAfter(n);
    options.faults = &cut;
    std::string path = folder.file("cut" + std::to_string(n) + ".mdb");
    EXPECT_FALSE(build(path).ok()) << "write " << n;
    EXPECT_FALSE(RawFile::exists(path)) << "write " << n;
    EXPECT_FALSE(RawFile::exists(path + ".partial")) << "write " << n;
  }
}

TEST(CreateIndexes, RefusesBadIndexSpecifications) {
  testing::ScratchFolder folder;
  auto creator = DatabaseCreator::create(folder.file("bad.mdb"), optionsFor(kTemplates[0]));
  ASSERT_TRUE(creator.ok());
  auto refused = [&](std::vector<IndexSpec> indexes, const std::string& words) {
    TableSpec t = people();
    t.indexes = std::move(indexes);
    Status s = (*creator)->addTable(t);
    EXPECT_EQ(s.number(), err::kUnsupported) << words;
    EXPECT_NE(s.description().find(words), std::string::npos) << s.description();
  };
  refused({{"ByNotes", {{"Notes"}}}}, "memo column \"Notes\"");
  refused({{"ByNothing", {{"Missing"}}}}, "no column \"Missing\"");
  refused({{"", {{"Id"}}, true}, {"Second", {{"Code"}}, true}}, "has a primary key already");
  refused({{"Twice", {{"Id"}}}, {"twice", {{"Code"}}}}, "used twice");
  refused({{"Bad.Name", {{"Id"}}}}, "Bad.Name");
  refused({{"Empty", {}}}, "at least one column");
  std::vector<IndexColumnSpec> eleven(11, IndexColumnSpec{"Id"});
  refused({{"Wide", eleven}}, "at most 10 columns");
  // Nothing was created by the refusals: the creator still works.
  ASSERT_TRUE((*creator)->addTable(people()).ok());
  ASSERT_TRUE((*creator)->finish().ok());
  expectIntact(folder.file("bad.mdb"));
}

}  // namespace
}  // namespace jet
