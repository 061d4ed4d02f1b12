// writer_refusal_test.cpp: changes the writer must refuse, each with its error, a message naming
// what is at fault, and the file left byte for byte as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/integrity_check.h"
#include "jet/row/table_pages.h"
#include "jet/file/journal.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct Opened {
  std::unique_ptr<jet::DatabaseWriter> writer;
  jet::TableWriter* table = nullptr;
  std::vector<jet::RowLocator> rows;
};

Opened openTable(const std::string& path, const std::string& name) {
  Opened o;
  auto w = jet::DatabaseWriter::open(path);
  EXPECT_TRUE(w.ok()) << w.error().description;
  if (!w.ok()) return o;
  o.writer = std::move(w).value();
  auto tables = jet::localTables(o.writer->pages(), jet::formatFor(o.writer->version()));
  for (const auto& t : *tables) {
    if (t.name != name) continue;
    auto table = o.writer->table(t.tdefPage, t.name);
    EXPECT_TRUE(table.ok());
    o.table = *table;
    o.rows = *jet::tableRowLocators(o.writer->pages(), o.table->table(),
                                  jet::formatFor(o.writer->version()));
  }
  EXPECT_NE(o.table, nullptr) << name;
  return o;
}

std::size_t columnNamed(const jet::TableWriter& t, const std::string& name) {
  const auto& cols = t.table().def.columns;
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (cols[i].name == name) return i;
  }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

jet::Value text(const std::string& s) {
  jet::Value v;
  v.isNull = false;
  v.text = s;
  return v;
}

// Tries one change on a copy of `file` and expects `number` with every word of `mentions` in the
// message; the file must not change.
void expectRefused(const std::string& file, const std::string& tableName, const std::string& column,
                   const jet::Value& value, std::int32_t number,
                   const std::vector<std::string>& mentions) {
  TempDir dir;
  std::string path = dir.copy(file);
  auto original = fileBytes(path);
  {
    Opened o = openTable(path, tableName);
    ASSERT_NE(o.table, nullptr);
    ASSERT_FALSE(o.rows.empty());
    jet::Status s =
        o.writer->updateRow(*o.table, o.rows[0], {{columnNamed(*o.table, column), value}});
    EXPECT_EQ(s.number(), number) << s.description();
    for (const auto& word : mentions)
      EXPECT_NE(s.description().find(word), std::string::npos) << s.description();
    ASSERT_TRUE(o.writer->flush().ok());
  }
  EXPECT_EQ(fileBytes(path), original) << file;
}

TEST(WriterRefusal, ColumnsThisWriterMustNotChange) {
  // A primary key on a text column that would hold "a" twice ("A" and "a" are one key to Access).
  expectRefused("jackcess/V2003/testV2003.mdb", "Table1", "A", text("A"), jet::err::kUniqueViolation,
                {"\"A\"", "Table1", "unique"});
  // Complex (attachments / multiple values).
  expectRefused("jackcess/V2010/complexDataTestV2010.accdb", "Table1", "multi-value-data",
                text("x"), jet::err::kNotWritable, {"multi-value-data", "Table1"});
  // Calculated.
  expectRefused("jackcess/V2010/calcFieldTestV2010.accdb", "Table1", "LastFirst", text("x"),
                jet::err::kNotWritable, {"LastFirst", "calculated"});
  // Access's own tables.
  expectRefused("jackcess/V2003/test2V2003.mdb", "MSysObjects", "Name", text("x"),
                jet::err::kNotWritable, {"MSysObjects", "system"});
  // A number column given text.
  expectRefused("jackcess/V2010/calcFieldTestV2010.accdb", "Table1", "ID", text("12"),
                jet::err::kCantConvertValue, {"ID", "Table1"});
}

TEST(WriterRefusal, ValuesTooLongForTheColumn) {
  expectRefused("jackcess/V2003/overflowTestV2003.mdb", "Table1", "data3",
                text(std::string(51, 'a')), jet::err::kDataOverflow,
                {"data3", "Table1", "51", "50"});
  // Characters beyond U+FFFF count twice, as Access counts them.
  std::string emoji;
  for (int i = 0; i < 26; ++i) emoji += "\xF0\x9F\x98\x80";
  expectRefused("jackcess/V2003/overflowTestV2003.mdb", "Table1", "data3", text(emoji),
                jet::err::kDataOverflow, {"data3"});
  // Jet3 text must fit the file's code page.
  expectRefused("jackcess/V1997/overflowTestV1997.mdb", "Table1", "data3", text("漢字"),
                jet::err::kCantConvertValue, {"data3"});
}

TEST(WriterRefusal, AWrongPasswordLeavesAnEncryptedFileAlone) {
  TempDir dir;
  std::string path = dir.copy("jackcess-encrypt/db2013-enc.accdb");
  auto original = fileBytes(path);
  for (const char* wrong : {"", "12345", "p\xC3\xA4ss\xE2\x82\xAC"}) {
    SCOPED_TRACE(wrong);
    jet::WriterOptions options;
    options.password = wrong;
    auto w = jet::DatabaseWriter::open(path, options);
    ASSERT_FALSE(w.ok());
    EXPECT_EQ(w.error().number, jet::err::kAuthFailed);
    // The reader, the writer and the check refuse in one place, in the same words.
    auto check = jet::checkDatabaseFile(path, wrong);
    ASSERT_FALSE(check.ok());
    for (const jet::Error& e : {w.error(), check.error()}) {
      EXPECT_EQ(e.description, "Not a valid password.");
    }
  }
  EXPECT_EQ(fileBytes(path), original);
  EXPECT_FALSE(std::filesystem::exists(jet::journalPath(path)));
}

TEST(WriterRefusal, AccessLockFileReadOnlyFileAndSecondWriter) {
  TempDir dir;
  std::string path = dir.copy("jackcess/V2003/overflowTestV2003.mdb");
  auto original = fileBytes(path);
  {
    std::string ldb = path.substr(0, path.size() - 4) + ".ldb";
    std::ofstream(ldb) << "user";
    auto w = jet::DatabaseWriter::open(path);
    ASSERT_FALSE(w.ok());
    EXPECT_EQ(w.error().number, jet::err::kLocked) << w.error().description;
    std::filesystem::remove(ldb);
  }
  {
    auto first = jet::DatabaseWriter::open(path);
    ASSERT_TRUE(first.ok());
    auto second = jet::DatabaseWriter::open(path);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().number, jet::err::kLocked) << second.error().description;
  }
  if (::geteuid() != 0) {  // root ignores permissions
    ::chmod(path.c_str(), 0444);
    auto w = jet::DatabaseWriter::open(path);
    ASSERT_FALSE(w.ok());
    EXPECT_EQ(w.error().number, jet::err::kReadOnly) << w.error().description;
    ::chmod(path.c_str(), 0644);
  }
  EXPECT_EQ(fileBytes(path), original);
}

TEST(WriterRefusal, JetDatabasePasswordIsChecked) {
  TempDir dir;
  std::string path = dir.copy("mdb-reader/password/V2003_with-password.mdb");
  auto original = fileBytes(path);
  jet::WriterOptions wrong;
  wrong.password = "not it";
  auto refused = jet::DatabaseWriter::open(path, wrong);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().number, jet::err::kAuthFailed);
  EXPECT_EQ(refused.error().description.find("not it"), std::string::npos);  // never echoed
  EXPECT_EQ(fileBytes(path), original);
  jet::WriterOptions right;
  right.password = "password";
  EXPECT_TRUE(jet::DatabaseWriter::open(path, right).ok());
}

}  // namespace
