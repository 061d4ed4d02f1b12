// cli_corpus_test.cpp: fieldmend-cli on real Access files through the engine, in-process:
// info, tables and export of a Jet4 file with every scalar type, dates before 1899 in an ACE17
// file, and a password-protected file. Expected values were read with the independent readers.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/program.h"

namespace cli {
namespace {

const std::string kCorpus = FIELDMEND_CORPUS_DIR;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome run(std::vector<std::string> args) {
  std::ostringstream out, err;
  CommandContext context{out, err, {}};
  const int code = Program().run(args, context);
  return {code, out.str(), err.str()};
}

TEST(CliCorpus, InfoOfAJet4File) {
  Outcome r = run({"info", kCorpus + "/jackcess/V2003/testV2003.mdb"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("format: Access 2000-2003 (.mdb)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("page size: 4096\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("table count: 4\n"), std::string::npos) << r.out;
}

TEST(CliCorpus, TablesCountTheRowsRead) {
  Outcome r = run({"tables", kCorpus + "/jackcess/V2003/testV2003.mdb"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  for (const char* line :
       {"Table1\tTABLE\t2\n", "Table2\tTABLE\t0\n", "Table3\tTABLE\t0\n", "Table4\tTABLE\t0\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "in:\n" << r.out;
  Outcome all = run({"tables", "--all", kCorpus + "/jackcess/V2003/testV2003.mdb"});
  ASSERT_EQ(all.code, kExitOk) << all.err;
  EXPECT_NE(all.out.find("MSysObjects\tSYSTEM TABLE\t"), std::string::npos) << all.out;
}

TEST(CliCorpus, ExportEveryScalarTypeAsJson) {
  Outcome r = run({"export", kCorpus + "/jackcess/V2003/testV2003.mdb", "table1"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(
      r.out,
      "[\n"
      "{\"A\":\"abcdefg\",\"B\":\"hijklmnop\",\"C\":2,\"D\":222,\"E\":333333333,\"F\":444.555,"
      "\"G\":\"1974-09-21T00:00:00\",\"H\":3.5,\"I\":true},\n"
      "{\"A\":\"a\",\"B\":\"b\",\"C\":0,\"D\":0,\"E\":0,\"F\":0,"
      "\"G\":\"1981-12-12T00:00:00\",\"H\":0,\"I\":false}\n"
      "]\n");
}

TEST(CliCorpus, ExportAsCsvKeepsNullApartFromEmptyText) {
  Outcome r = run({"export", kCorpus + "/tika/testAccess2_2000.mdb", "Table1", "--format", "csv"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("ID,ShortTextField,NumberField,CurrencyField,DateField,YesNoField,", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("1,the quick,3,6.23,2015-06-24T00:00:00,true,red and brown,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("2,普林斯顿大学,0,0,,false,\"\",,,,\r\n"), std::string::npos) << r.out;
}

TEST(CliCorpus, DatesBefore1900KeepTheirTimeOfDay) {
  // Rows whose Date/Time Extended twin says what Access shows: 12:45 on the same day.
  Outcome r = run({"export", kCorpus + "/jackcess/V2019/extDateTestV2019.accdb", "Table1"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  for (const char* cell :
       {"\"DateNormal\":\"1765-06-14T12:45:00\"", "\"DateNormal\":\"1265-06-14T12:45:00\"",
        "\"DateNormal\":\"0100-06-14T12:45:00\"", "\"DateNormal\":\"2021-06-14T22:45:12\""})
    EXPECT_NE(r.out.find(cell), std::string::npos) << cell << " in:\n" << r.out;
}

TEST(CliCorpus, MissingTableAndMissingFileFailWithOne) {
  const std::string path = kCorpus + "/jackcess/V2003/testV2003.mdb";
  Outcome table = run({"export", path, "NoSuchTable"});
  EXPECT_EQ(table.code, kExitFailure);
  EXPECT_EQ(table.err, "fieldmend-cli: export: table \"NoSuchTable\" not found in " + path + "\n");
  Outcome file = run({"info", kCorpus + "/no-such-file.mdb"});
  EXPECT_EQ(file.code, kExitFailure);
  EXPECT_NE(file.err.find("no-such-file.mdb"), std::string::npos) << file.err;
}

TEST(CliCorpus, PasswordIsUsedButNeverShown) {
  const std::string path = kCorpus + "/mdb-reader/password/V2003_with-password.mdb";
  Outcome right = run({"tables", path, "--password", "password"});
  EXPECT_EQ(right.code, kExitOk) << right.err;
  EXPECT_EQ(right.out, "Table1\tTABLE\t3\n");
  Outcome wrong = run({"export", path, "Table1", "--password", "Wrong-Secret-42"});
  EXPECT_EQ(wrong.out.find("Wrong-Secret-42"), std::string::npos);
  EXPECT_EQ(wrong.err.find("Wrong-Secret-42"), std::string::npos);
}

}  // namespace
}  // namespace cli
