// damage_test.cpp: damaged copies of corpus files give the right error, never a crash, a hang
// or a read out of bounds (run under the sanitizers to prove the last).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "jet/database.h"
#include "jet/core/error_codes.h"
#include "tests/jet/test_support.h"

namespace jet {
namespace {

using testing::readAll;
using testing::TempDir;
using testing::writeAll;

constexpr const char* kJet4File = "jackcess/V2003/testV2003.mdb";
constexpr std::size_t kPage = 4096;

void putU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  putU16(b, at, static_cast<std::uint16_t>(v));
  putU16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// Opens `path`, reads `table` and scans it; returns the first error.
Status readTable(const std::string& path, const std::string& table) {
  JET_ASSIGN_OR_RETURN(auto db, Database::open(path));
  JET_ASSIGN_OR_RETURN(TableDef def, db->table(table));
  JET_ASSIGN_OR_RETURN(auto scan, db->scan(def));
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) return {};
  }
}

// Where Table1 of the Jet4 file keeps its definition and its first row.
struct Table1Layout {
  std::uint32_t tdefPage = 0;
  RowLocator firstRow;
};

Table1Layout locateTable1(const std::string& path) {
  Table1Layout out;
  auto db = Database::open(path);
  EXPECT_TRUE(db.ok());
  auto t = (*db)->table("Table1");
  EXPECT_TRUE(t.ok());
  out.tdefPage = t->tdefPage;
  auto scan = (*db)->scan(*t);
  Row row;
  EXPECT_TRUE(*(*scan)->next(row));
  out.firstRow = row.locator;
  return out;
}

TEST(Damage, NotAnAccessFile) {
  TempDir dir;
  std::string path = (dir.path() / "notes.mdb").string();
  writeAll(path, std::vector<std::uint8_t>(8192, 'x'));
  auto db = Database::open(path);
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.error().number, err::kNotAccessFile);
  EXPECT_NE(db.error().description.find(path), std::string::npos);
  auto missing = Database::open((dir.path() / "absent.mdb").string());
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().number, err::kIo);
}

TEST(Damage, TruncatedFile) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  auto bytes = readAll(path);
  for (std::size_t size : {bytes.size() - 100, std::size_t{1000}}) {
    writeAll(path,
             std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
    auto db = Database::open(path);
    ASSERT_FALSE(db.ok()) << size;
    EXPECT_EQ(db.error().number, err::kTruncated);
    EXPECT_NE(db.error().description.find(path), std::string::npos);
  }
  // Whole pages cut off: the table's pages are then beyond the end.
  writeAll(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 20 * kPage));
  Status s = readTable(path, "Table1");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
}

TEST(Damage, ZeroedDefinitionPage) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  Table1Layout where = locateTable1(path);
  auto bytes = readAll(path);
  std::fill_n(bytes.begin() + static_cast<long>(where.tdefPage * kPage), kPage, 0);
  writeAll(path, bytes);
  Status s = readTable(path, "Table1");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
  EXPECT_NE(s.description().find("Table1"), std::string::npos);
}

TEST(Damage, ZeroedCataloguePage) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  auto bytes = readAll(path);
  std::fill_n(bytes.begin() + 2 * kPage, kPage, 0);
  writeAll(path, bytes);
  auto db = Database::open(path);
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.error().number, err::kBadPage);
}

TEST(Damage, RowOffsetPastThePageEnd) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  Table1Layout where = locateTable1(path);
  auto bytes = readAll(path);
  putU16(bytes, where.firstRow.page * kPage + 14 + 2u * where.firstRow.row, 0x1FFF);
  writeAll(path, bytes);
  Status s = readTable(path, "Table1");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
  EXPECT_NE(s.description().find("page " + std::to_string(where.firstRow.page)), std::string::npos);
}

TEST(Damage, UsageMapPointerBeyondTheFile) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  Table1Layout where = locateTable1(path);
  auto bytes = readAll(path);
  putU32(bytes, where.tdefPage * kPage + 55, 0x7FFFFF00u);  // owned-pages map on page 0x7FFFFF
  writeAll(path, bytes);
  Status s = readTable(path, "Table1");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
  EXPECT_NE(s.description().find("beyond the end"), std::string::npos);
}

TEST(Damage, CyclicDefinitionChain) {
  TempDir dir;
  std::string path = dir.copy(kJet4File);
  Table1Layout where = locateTable1(path);
  auto bytes = readAll(path);
  putU32(bytes, where.tdefPage * kPage + 4, where.tdefPage);  // next page = itself
  writeAll(path, bytes);
  Status s = readTable(path, "Table1");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.number(), err::kBadPage);
}

// Random byte damage anywhere: any outcome but a crash, hang or stray read is fine.
TEST(Damage, RandomBytesNeverCrash) {
  TempDir dir;
  for (const char* file : {"jackcess/V1997/overflowTestV1997.mdb", "jackcess/V2003/testV2003.mdb",
                           "mdb-reader/V2016/longtext.accdb"}) {
    std::string path = dir.copy(file);
    const auto original = readAll(path);
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
      auto bytes = original;
      std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
      for (int n = 0; n < 40; ++n) bytes[at(random)] = static_cast<std::uint8_t>(random());
      writeAll(path, bytes);
      auto db = Database::open(path);
      if (!db.ok()) continue;
      for (const CatalogEntry& e : (*db)->catalogue()) {
        if (e.tdefPage != 0) (void)readTable(path, e.name);
      }
    }
  }
}

}  // namespace
}  // namespace jet
