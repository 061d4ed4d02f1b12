// corpus_test.cpp: the engine reads every real file of the corpus: each user table scans without
// error and yields the row count the manifest records; a few cells per version are checked
// against values read by hand with the independent readers.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "jet/database.h"
#include "jet/core/error_codes.h"
#include "tests/jet/test_support.h"

namespace jet {
namespace {

using testing::corpusPath;

struct ManifestFile {
  std::string path;
  std::string crypto;                     // the password / crypto column
  std::map<std::string, long> rowCounts;  // tables whose count the manifest states
  bool complete = true;                   // every user table listed
};

std::vector<std::string> splitCells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  std::string cell;
  while (std::getline(in, cell, '|')) {
    auto b = cell.find_first_not_of(' ');
    auto e = cell.find_last_not_of(' ');
    cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
  }
  return cells;
}

bool allDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// "Name=12" or "Name=A tdef 3/read 4; B ..." (the count A read).
void addCount(ManifestFile& f, const std::string& item) {
  auto eq = item.find('=');
  std::string name = item.substr(0, eq);
  std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
  if (value.starts_with("A tdef ")) {
    auto read = value.find("/read ");
    auto end = value.find(';');
    value = read == std::string::npos || end == std::string::npos
                ? ""
                : value.substr(read + 6, end - read - 6);
  }
  if (allDigits(value) && name.find('?') == std::string::npos) {
    f.rowCounts[name] = std::stol(value);
  } else {
    f.complete = false;
  }
}

std::vector<ManifestFile> readManifest() {
  std::ifstream in(corpusPath("MANIFEST.md"));
  std::vector<ManifestFile> files;
  for (std::string line; std::getline(in, line);) {
    auto cells = splitCells(line);
    if (cells.size() < 10) continue;
    const std::string& name = cells[1];
    bool database = name.ends_with(".mdb") || name.ends_with(".accdb");
    if (!database) continue;
    ManifestFile f{name, cells[8], {}, true};
    std::string tables = cells[9];
    if (tables != "(none)") {
      std::stringstream items(tables);
      for (std::string item; std::getline(items, item, ',');) {
        addCount(f, item.substr(item.find_first_not_of(' ')));
      }
    }
    files.push_back(std::move(f));
  }
  return files;
}

std::string passwordFor(const ManifestFile& f) {
  if (f.crypto.empty() || f.crypto.find('(') == 0) return "";
  return f.crypto.substr(0, f.crypto.find(' '));
}

Result<long> countRows(const Database& db, const TableDef& table) {
  JET_ASSIGN_OR_RETURN(auto scan, db.scan(table));
  long rows = 0;
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) return rows;
    EXPECT_EQ(row.values.size(), table.columns.size());
    ++rows;
  }
}

TEST(Corpus, EveryFileOpensAndEveryUserTableScansWithTheManifestRowCounts) {
  auto files = readManifest();
  ASSERT_GT(files.size(), 70u);
  for (const ManifestFile& f : files) {
    SCOPED_TRACE(f.path);
    auto db = Database::open(corpusPath(f.path), {passwordFor(f)});
    ASSERT_TRUE(db.ok()) << db.error().description;
    std::size_t userTables = 0;
    for (const CatalogEntry& e : (*db)->catalogue()) {
      if (e.kind != ObjectKind::kTable) continue;
      ++userTables;
      auto table = (*db)->table(e.name);
      ASSERT_TRUE(table.ok()) << table.error().description;
      auto rows = countRows(**db, *table);
      ASSERT_TRUE(rows.ok()) << rows.error().description;
      auto expected = f.rowCounts.find(e.name);
      if (expected != f.rowCounts.end()) {
        EXPECT_EQ(*rows, expected->second) << e.name;
      }
    }
    if (f.complete) {
      EXPECT_EQ(userTables, f.rowCounts.size());
    }
  }
}

// The system tables must scan too: the catalogue and the writer depend on them.
TEST(Corpus, SystemTablesScan) {
  for (const char* file :
       {"jackcess/V1997/testV1997.mdb", "jackcess/V2003/testV2003.mdb",
        "jackcess/V2010/testV2010.accdb", "jackcess/templates/empty2019.accdb"}) {
    SCOPED_TRACE(file);
    auto db = Database::open(corpusPath(file));
    ASSERT_TRUE(db.ok()) << db.error().description;
    for (const CatalogEntry& e : (*db)->catalogue()) {
      if (e.tdefPage == 0) continue;
      auto table = (*db)->table(e.name);
      ASSERT_TRUE(table.ok()) << table.error().description;
      auto rows = countRows(**db, *table);
      EXPECT_TRUE(rows.ok()) << e.name << ": " << rows.error().description;
    }
  }
}

// Rows of `table`, read whole.
std::vector<Row> allRows(const std::string& file, const std::string& table, TableDef* def = nullptr,
                         const std::string& password = "") {
  auto db = Database::open(corpusPath(file), {password});
  EXPECT_TRUE(db.ok()) << db.error().description;
  if (!db.ok()) return {};
  auto t = (*db)->table(table);
  EXPECT_TRUE(t.ok()) << t.error().description;
  if (!t.ok()) return {};
  if (def != nullptr) *def = *t;
  auto scan = (*db)->scan(*t);
  std::vector<Row> rows;
  Row row;
  while (scan.ok()) {
    auto more = (*scan)->next(row);
    EXPECT_TRUE(more.ok()) << more.error().description;
    if (!more.ok() || !*more) break;
    rows.push_back(row);
  }
  return rows;
}

std::size_t columnIndex(const TableDef& t, const std::string& name) {
  for (std::size_t n = 0; n < t.columns.size(); ++n) {
    if (t.columns[n].name == name) return n;
  }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

TEST(Corpus, Jet3Cells) {
  TableDef t;
  auto rows = allRows("jackcess/V1997/testV1997.mdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 2u);
  const auto& r = rows[1].values;
  EXPECT_EQ(r[columnIndex(t, "A")].text, "abcdefg");
  EXPECT_EQ(r[columnIndex(t, "C")].integer, 2);
  EXPECT_EQ(r[columnIndex(t, "E")].integer, 333333333);
  EXPECT_DOUBLE_EQ(r[columnIndex(t, "F")].real, 444.555);
  EXPECT_EQ(r[columnIndex(t, "G")].real, 27293.0);  // 1974-09-21
  EXPECT_EQ(r[columnIndex(t, "H")].integer, 35000);
  EXPECT_EQ(r[columnIndex(t, "H")].text, "3.5000");
  EXPECT_TRUE(r[columnIndex(t, "I")].boolean);
  EXPECT_FALSE(rows[0].values[columnIndex(t, "I")].boolean);
}

TEST(Corpus, Jet3RowsWithDeletedColumnsAndOverflow) {
  TableDef t;
  auto rows = allRows("jackcess/V1997/delColTestV1997.mdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].values[columnIndex(t, "data2")].text, "bar2");
  rows = allRows("jackcess/V1997/overflowTestV1997.mdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[2].values[columnIndex(t, "data9")].text, "row3col9");
  EXPECT_TRUE(rows[2].values[columnIndex(t, "data1")].isNull);
}

TEST(Corpus, Jet4CompressedUnicodeAndRc4EncodedPages) {
  TableDef t;
  auto rows = allRows("jackcess/V2003/testUnicodeCompV2003.mdb", "Table", &t);
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[1].values[columnIndex(t, "Unicode")].text, "ääkkösiä");
  EXPECT_EQ(rows[2].values[columnIndex(t, "Unicode")].text, "Мир");
  for (const char* file : {"jackcess-encrypt/db-enc.mdb", "jackcess-encrypt/db97-enc.mdb"}) {
    auto db = Database::open(corpusPath(file));
    ASSERT_TRUE(db.ok()) << db.error().description;
    EXPECT_NE((*db)->header().encodingKey, 0u);
    EXPECT_EQ(allRows(file, "Table1").size(), 2u);
  }
}

TEST(Corpus, AceCellsOfEveryKind) {
  TableDef t;
  auto rows = allRows("jackcess/V2010/testEmoticonsV2010.accdb", "data", &t);
  ASSERT_EQ(rows.size(), 80u);
  EXPECT_EQ(rows[0].values[1].text,
            "a\xF0\x9F\x98\x80"
            "a");  // U+1F600 from a surrogate pair
  rows = allRows("mdb-reader/V2016/bigint.accdb", "Table", &t);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].values[1].integer, 42);
  rows = allRows("mdb-reader/V2016/longtext.accdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(rows[0].values[1].text.starts_with("Lorem ipsum dolor sit amet"));
  EXPECT_GT(rows[0].values[1].text.size(), 4076u);  // a chained long value
  rows = allRows("jackcess/V2007/complexDataTestV2007.accdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2].values[columnIndex(t, "append-memo-data")].text, "row3-memo-again");
  EXPECT_EQ(rows[3].values[columnIndex(t, "attach-data")].integer, 4);
}

TEST(Corpus, ExtendedDateAndCalculatedValues) {
  TableDef t;
  auto rows = allRows("jackcess/V2019/extDateTestV2019.accdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 9u);
  std::size_t ext = columnIndex(t, "DateExt");
  EXPECT_EQ(rows[5].values[ext].text, "2021-06-14T22:45:12.3456789");
  EXPECT_EQ(rows[7].values[ext].text, "0100-06-14T12:45:00.1234567");
  EXPECT_TRUE(rows[4].values[ext].isNull);
  EXPECT_EQ(rows[2].values[columnIndex(t, "DateNormalCalc")].real, 44361.53125);

  rows = allRows("jackcess/V2010/calcFieldTestV2010.accdb", "Table1", &t);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_TRUE(t.columns[columnIndex(t, "LastFirst")].calculated());
  EXPECT_EQ(rows[0].values[columnIndex(t, "LastFirst")].text, "Wayne, Bruce");
  EXPECT_EQ(rows[0].values[columnIndex(t, "LastFirstLen")].integer, 12);
  EXPECT_EQ(rows[0].values[columnIndex(t, "DecimalTest")].text, "50.325000");
}

TEST(Corpus, CatalogueKinds) {
  auto db = Database::open(corpusPath("mdb-reader/real/ASampleDatabase.accdb"));
  ASSERT_TRUE(db.ok());
  std::map<std::string, ObjectKind> kinds;
  for (const auto& e : (*db)->catalogue()) kinds[e.name] = e.kind;
  EXPECT_EQ(kinds["Asset Items"], ObjectKind::kTable);
  EXPECT_EQ(kinds["MSysObjects"], ObjectKind::kSystemTable);
  EXPECT_EQ(kinds["MSysAccessStorage"], ObjectKind::kAccessTable);
  EXPECT_EQ(kinds["qryCostsSummedByOwner"], ObjectKind::kView);
  EXPECT_EQ((*db)->catalogue().front().name, "Tables");  // storage order

  auto linked = Database::open(corpusPath("ucanaccess/linked.mdb"));
  ASSERT_TRUE(linked.ok());
  int links = 0;
  for (const auto& e : (*linked)->catalogue()) links += e.kind == ObjectKind::kLink ? 1 : 0;
  EXPECT_EQ(links, 2);
  auto missing = (*linked)->table("NoSuchTable");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().number, err::kNoSuchTable);
  EXPECT_NE(missing.error().description.find("NoSuchTable"), std::string::npos);
}

TEST(Corpus, TableLookupIgnoresCaseAndIndexesAreRead) {
  auto db = Database::open(corpusPath("jackcess/V2003/indexTestV2003.mdb"));
  ASSERT_TRUE(db.ok());
  auto t = (*db)->table("TABLE1");
  ASSERT_TRUE(t.ok()) << t.error().description;
  EXPECT_EQ(t->name, "Table1");
  EXPECT_FALSE(t->indexes.empty());
  ASSERT_FALSE(t->logicalIndexes.empty());
  for (const auto& ix : t->logicalIndexes) EXPECT_LT(ix.physicalIndex, t->indexes.size());
  for (const auto& ix : t->indexes) {
    EXPECT_FALSE(ix.columns.empty());
    EXPECT_NE(ix.rootPage, 0u);
  }
  EXPECT_NE(t->ownedMap, 0u);
  EXPECT_EQ(t->tdefPages.front(), t->tdefPage);
}

TEST(Corpus, ReadRowByLocatorMatchesTheScan) {
  auto db = Database::open(corpusPath("jackcess/V2003/overflowTestV2003.mdb"));
  ASSERT_TRUE(db.ok());
  auto t = (*db)->table("Table1");
  ASSERT_TRUE(t.ok());
  auto scan = (*db)->scan(*t);
  ASSERT_TRUE(scan.ok());
  Row row;
  int seen = 0;
  while (*(*scan)->next(row)) {
    auto again = (*db)->readRow(*t, row.locator);
    ASSERT_TRUE(again.ok()) << again.error().description;
    for (std::size_t n = 0; n < row.values.size(); ++n) {
      EXPECT_EQ(again->values[n].text, row.values[n].text);
      EXPECT_EQ(again->values[n].isNull, row.values[n].isNull);
    }
    ++seen;
  }
  EXPECT_EQ(seen, 7);
}

TEST(Corpus, Passwords) {
  const std::string file = corpusPath("mdb-reader/password/V2003_with-password.mdb");
  auto wrong = Database::open(file, {"wrong"});
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error().number, err::kAuthFailed);
  EXPECT_EQ(wrong.error().description, "Not a valid password.");
  auto none = Database::open(file);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error().number, err::kAuthFailed);
  auto right = Database::open(file, {"password"});
  ASSERT_TRUE(right.ok()) << right.error().description;
  EXPECT_TRUE((*right)->header().hasPassword);
  EXPECT_EQ(
      allRows("mdb-reader/password/V2003_with-password.mdb", "Table1", nullptr, "password").size(),
      3u);
  // No password stored: a given one is ignored, as Access does.
  auto unprotected = Database::open(corpusPath("jackcess/V2003/testV2003.mdb"), {"anything"});
  EXPECT_TRUE(unprotected.ok());
}

TEST(Corpus, EncryptedAccdbNeedsItsPassword) {
  for (const char* file : {"mdb-reader/encryption/office-agile-4.2.accdb",
                           "mdb-reader/password/V2010_with-password.accdb",
                           "jackcess-encrypt/db2013-enc.accdb"}) {
    SCOPED_TRACE(file);
    for (const char* wrong : {"", "Password", "1234 "}) {
      auto db = Database::open(corpusPath(file), {wrong});
      ASSERT_FALSE(db.ok());
      EXPECT_EQ(db.error().number, err::kAuthFailed);
      EXPECT_EQ(db.error().description, "Not a valid password.");
    }
  }
}

}  // namespace
}  // namespace jet
