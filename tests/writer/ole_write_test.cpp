// ole_write_test.cpp: OLE cells of real files of every version take bytes: a value shrinks to
// an inline one, grows to a page chain, to a single long-value row, and becomes null, pass after
// pass; both oracles and the engine read the bytes back and the integrity check passes. Text given
// to an OLE column, and bytes given to a text column, are refused and change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct OleCase {
  std::string file;
  std::string table;
  std::string column;
};

// The value kind `k` (0 small, 1 chain, 2 one long-value row, 3 null) for row `row`.
std::optional<std::vector<std::uint8_t>> oleValue(std::size_t k, std::size_t row) {
  static constexpr std::size_t kSizes[] = {10, 20000, 3000};
  if (k == 3) return std::nullopt;
  std::vector<std::uint8_t> bytes(kSizes[k]);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 7 + row * 13 + k) & 0xFF);
  return bytes;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (auto b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

std::size_t columnIndex(const jet::TableDef& def, const std::string& name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) return i;
  return def.columns.size();
}

class OleWrite : public ::testing::TestWithParam<OleCase> {};

TEST_P(OleWrite, BytesReadBackEverywhere) {
  if (!haveOracles()) GTEST_SKIP() << "node, mdbtools or mdb-reader missing";
  const OleCase& c = GetParam();
  TempDir dir;
  std::string before = dir.copy(c.file);
  std::string after = dir.path("changed-" + c.file.substr(c.file.rfind('/') + 1));
  std::filesystem::copy_file(before, after);
  for (std::size_t pass = 0; pass < 4; ++pass) {
    std::vector<std::pair<jet::RowLocator, std::optional<std::vector<std::uint8_t>>>> written;
    std::size_t column = 0;
    {
      auto db = jet::Database::open(after);
      ASSERT_TRUE(db.ok()) << db.error().description;
      auto def = (*db)->table(c.table);
      ASSERT_TRUE(def.ok()) << def.error().description;
      column = columnIndex(*def, c.column);
      ASSERT_LT(column, def->columns.size()) << c.column;
      ASSERT_EQ(def->columns[column].type, jet::ColumnType::kOle);
      auto writer = jet::DatabaseWriter::open(after);
      ASSERT_TRUE(writer.ok()) << writer.error().description;
      auto table = (*writer)->table(*def);
      ASSERT_TRUE(table.ok()) << table.error().description;
      auto scan = (*db)->scan(*def);
      ASSERT_TRUE(scan.ok());
      jet::Row row;
      for (std::size_t r = 0; *(*scan)->next(row); ++r) {
        auto bytes = oleValue((pass + r) % 4, r);
        jet::Value v;
        v.isNull = !bytes.has_value();
        v.bytes = bytes.value_or(std::vector<std::uint8_t>{});
        jet::Status s = (*writer)->updateRow(**table, row.locator, {{column, v}});
        ASSERT_TRUE(s.ok()) << s.description();
        written.emplace_back(row.locator, bytes);
      }
      ASSERT_FALSE(written.empty());
      ASSERT_TRUE((*writer)->close().ok());
    }
    auto problems = integrityProblems(after);
    EXPECT_TRUE(problems.empty()) << "pass " << pass << ": " << problems.front();
    std::string expect = "{\"cells\":[";
    for (std::size_t r = 0; r < written.size(); ++r) {
      const auto& bytes = written[r].second;
      expect += std::string(r == 0 ? "" : ",") + "[" + std::to_string(r) + "," +
                jsonString(c.column) + "," +
                (bytes ? "{\"hex\":\"" + hex(*bytes) + "\"}" : std::string("null")) + "]";
    }
    expect += "]}";
    EXPECT_EQ(oracleDifferences(before, after, c.table, expect), "") << "pass " << pass;
    auto db = jet::Database::open(after);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table(c.table);
    ASSERT_TRUE(def.ok());
    for (const auto& [where, bytes] : written) {
      auto row = (*db)->readRow(*def, where);
      ASSERT_TRUE(row.ok()) << row.error().description;
      EXPECT_EQ(row->values[column].isNull, !bytes.has_value()) << "pass " << pass;
      if (bytes) {
        EXPECT_EQ(row->values[column].bytes, *bytes) << "pass " << pass;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, OleWrite,
                         ::testing::Values(OleCase{"jackcess/V1997/test2V1997.mdb", "MSP_PROJECTS",
                                                   "RESERVED_BINARY_DATA"},
                                           OleCase{"tika/testAccess2_2000.mdb", "Table1",
                                                   "OLEObject"},
                                           OleCase{"tika/testAccess2.accdb", "Table1", "OLEObject"},
                                           OleCase{"jackcess/V2010/test2V2010.accdb",
                                                   "MSP_PROJECTS", "RESERVED_BINARY_DATA"}),
                         [](const auto& param) {
                           std::string name =
                               param.param.file.substr(param.param.file.rfind('/') + 1);
                           for (auto& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// Text is no OLE value and bytes are no text: both refused before anything changes.
TEST(OleWrite, RefusesTheWrongKindOfValue) {
  TempDir dir;
  std::string path = dir.copy("tika/testAccess2_2000.mdb");
  auto original = fileBytes(path);
  {
    auto db = jet::Database::open(path);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Table1");
    ASSERT_TRUE(def.ok());
    auto writer = jet::DatabaseWriter::open(path);
    ASSERT_TRUE(writer.ok());
    auto table = (*writer)->table(*def);
    ASSERT_TRUE(table.ok());
    auto scan = (*db)->scan(*def);
    jet::Row row;
    ASSERT_TRUE(*(*scan)->next(row));
    jet::Value text;
    text.isNull = false;
    text.text = "not bytes";
    jet::Status s =
        (*writer)->updateRow(**table, row.locator, {{columnIndex(*def, "OLEObject"), text}});
    EXPECT_EQ(s.number(), jet::err::kCantConvertValue);
    EXPECT_NE(s.description().find("OLEObject"), std::string::npos) << s.description();
    jet::Value bytes;
    bytes.isNull = false;
    bytes.bytes = {1, 2, 3};
    for (const char* name : {"ShortTextField", "PlainTextMemo"}) {
      s = (*writer)->updateRow(**table, row.locator, {{columnIndex(*def, name), bytes}});
      EXPECT_EQ(s.number(), jet::err::kCantConvertValue) << name;
      EXPECT_NE(s.description().find(name), std::string::npos) << s.description();
    }
    ASSERT_TRUE((*writer)->close().ok());
  }
  EXPECT_EQ(fileBytes(path), original);
}

}  // namespace
