// program_test.cpp: fieldmend-cli end to end on a fake database: dispatch, help, exit codes, the
// one-line error messages, and the exact output of info, tables and export.
#include "cli/program.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/fake_database.h"

namespace cli {
namespace {

using testing::FakeDatabase;

constexpr const char* kPath = "/data/shop.mdb";
constexpr const char* kPassword = "s3cret-Pa55";

jet::Column column(std::string name, jet::ColumnType type) {
  jet::Column c;
  c.name = std::move(name);
  c.type = type;
  return c;
}

jet::Row row(std::vector<jet::Value> values) {
  jet::Row r;
  r.values = std::move(values);
  return r;
}

jet::Value longValue(std::int64_t n) {
  jet::Value v;
  v.isNull = false;
  v.integer = n;
  return v;
}

jet::Value textValue(std::string s) {
  jet::Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}

std::unique_ptr<FakeDatabase> shop() {
  auto db = std::make_unique<FakeDatabase>(kPath);
  db->headerInfo().version = jet::Version::kJet4;
  db->headerInfo().codePage = 1252;
  db->headerInfo().sortOrder = 1033;
  db->headerInfo().sortOrderVersion = 1;
  db->headerInfo().encryption = "none";
  db->addTable("MSysObjects", jet::ObjectKind::kSystemTable);
  auto& items = db->addTable("Items");
  items.def.columns = {column("ID", jet::ColumnType::kLong),
                       column("Name, \"short\"", jet::ColumnType::kText)};
  items.rows = {row({longValue(1), textValue("Tea")}), row({longValue(2), jet::Value{}}),
                row({longValue(3), textValue("")})};
  db->addTable("Empty").def.columns = {column("ID", jet::ColumnType::kLong)};
  db->addObject("Remote", jet::ObjectKind::kLink);
  db->addObject("Cheap items", jet::ObjectKind::kView);
  db->addObject("Form1", jet::ObjectKind::kOther);
  return db;
}

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class ProgramTest : public ::testing::Test {
 protected:
  Outcome run(std::vector<std::string> args) {
    std::ostringstream out, err;
    CommandContext context{
        out, err,
        [this](const std::string& path,
               const jet::OpenOptions& o) -> jet::Result<std::unique_ptr<jet::Database>> {
          openedPath_ = path;
          givenPassword_ = o.password;
          if (openError_) return *openError_;
          auto db = shop();
          if (prepare_) prepare_(*db);
          return std::unique_ptr<jet::Database>(std::move(db));
        }};
    const int code = Program().run(args, context);
    return {code, out.str(), err.str()};
  }

  std::optional<jet::Error> openError_;
  std::function<void(FakeDatabase&)> prepare_;
  std::string openedPath_;
  std::string givenPassword_;
};

TEST_F(ProgramTest, UsageErrorsExitWithTwoAndOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "fieldmend-cli: missing command (try 'fieldmend-cli --help')\n"},
      {{"dump"}, "fieldmend-cli: unknown command \"dump\" (try 'fieldmend-cli --help')\n"},
      {{"--verbose"}, "fieldmend-cli: unknown option \"--verbose\" (try 'fieldmend-cli --help')\n"},
      {{"info"}, "fieldmend-cli: info: missing FILE (try 'fieldmend-cli info --help')\n"},
      {{"export", kPath},
       "fieldmend-cli: export: missing TABLE (try 'fieldmend-cli export --help')\n"},
      {{"tables", kPath, "--al"},
       "fieldmend-cli: tables: unknown option --al (try 'fieldmend-cli tables --help')\n"},
      {{"export", kPath, "Items", "--format", "xml"},
       "fieldmend-cli: export: unknown format \"xml\" (use json or csv)\n"},
  };
  for (const auto& [args, message] : cases) {
    Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << message;
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(ProgramTest, HelpEverywhereExitsWithZero) {
  Outcome program = run({"--help"});
  EXPECT_EQ(program.code, kExitOk);
  for (const char* name : {"info", "tables", "export"}) {
    EXPECT_NE(program.out.find(std::string("  ") + name), std::string::npos) << name;
    Outcome command = run({name, "--help"});
    EXPECT_EQ(command.code, kExitOk);
    EXPECT_EQ(command.out.rfind(std::string("Usage: fieldmend-cli ") + name, 0), 0u) << name;
    EXPECT_EQ(command.err, "");
  }
  EXPECT_EQ(run({"export", "-h"}).code, kExitOk);
  EXPECT_EQ(run({"--version"}).code, kExitOk);
}

TEST_F(ProgramTest, OpenFailureNamesTheFileButNeverThePassword) {
  openError_ = jet::Error{jet::err::kAuthFailed, "Not a valid password."};
  Outcome r = run({"info", kPath, "--password", kPassword});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ(r.err, "fieldmend-cli: info: cannot open /data/shop.mdb: Not a valid password.\n");
  EXPECT_EQ(givenPassword_, kPassword);

  openError_ = jet::Error{jet::err::kIo, "/data/shop.mdb: no such file\n"};
  r = run({"tables", kPath});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ(r.err, "fieldmend-cli: tables: /data/shop.mdb: no such file\n");
}

TEST_F(ProgramTest, InfoPrintsOneKeyValueLineEach) {
  Outcome r = run({"info", kPath, "--password", kPassword});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "format: Access 2000-2003 (.mdb)\n"
            "version: " +
                std::string(jet::versionName(jet::Version::kJet4)) +
                "\n"
                "page size: 4096\n"
                "code page: 1252\n"
                "sort order: 1033 (version 1)\n"
                "encryption: none\n"
                "table count: 2\n");
  EXPECT_EQ(r.out.find(kPassword), std::string::npos);
}

TEST_F(ProgramTest, TablesListsUserTablesOrEveryKindInCatalogueOrder) {
  Outcome r = run({"tables", kPath});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Items\tTABLE\t3\nEmpty\tTABLE\t0\n");

  r = run({"tables", "--all", kPath});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "MSysObjects\tSYSTEM TABLE\t0\n"
            "Items\tTABLE\t3\n"
            "Empty\tTABLE\t0\n"
            "Remote\tLINK\t-\n"
            "Cheap items\tVIEW\t-\n");
}

TEST_F(ProgramTest, ExportJsonIsOneObjectALine) {
  Outcome r = run({"export", kPath, "Items"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "[\n"
            "{\"ID\":1,\"Name, \\\"short\\\"\":\"Tea\"},\n"
            "{\"ID\":2,\"Name, \\\"short\\\"\":null},\n"
            "{\"ID\":3,\"Name, \\\"short\\\"\":\"\"}\n"
            "]\n");
  Outcome empty = run({"export", kPath, "Empty", "--format=json"});
  EXPECT_EQ(empty.out, "[\n]\n");
}

TEST_F(ProgramTest, ExportCsvHasAHeaderAndCrlfLines) {
  Outcome r = run({"export", kPath, "Items", "--format", "csv"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "ID,\"Name, \"\"short\"\"\"\r\n"
            "1,Tea\r\n"
            "2,\r\n"
            "3,\"\"\r\n");
}

TEST_F(ProgramTest, ExportOfWhatIsNoStoredTableFailsWithOne) {
  Outcome missing = run({"export", kPath, "Foo"});
  EXPECT_EQ(missing.code, kExitFailure);
  EXPECT_EQ(missing.err, "fieldmend-cli: export: table \"Foo\" not found in /data/shop.mdb\n");
  EXPECT_EQ(missing.out, "");

  Outcome link = run({"export", kPath, "remote"});
  EXPECT_EQ(link.code, kExitFailure);
  EXPECT_EQ(link.err,
            "fieldmend-cli: export: \"Remote\" in /data/shop.mdb is a LINK, not a table stored in "
            "the file\n");
}

TEST_F(ProgramTest, ReadErrorMidwayFailsWithOneAfterTheRowsBefore) {
  prepare_ = [](FakeDatabase& db) { db.addTable("Broken").failAfter = 0; };
  Outcome r = run({"tables", kPath});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ(r.err,
            "fieldmend-cli: tables: /data/shop.mdb: page 7 of table Broken fails its checks\n");

  prepare_ = [](FakeDatabase& db) {
    auto& t = db.addTable("Broken");
    t.def.columns = {column("ID", jet::ColumnType::kLong)};
    t.rows = {row({longValue(7)}), row({longValue(8)})};
    t.failAfter = 1;
  };
  r = run({"export", kPath, "Broken"});
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_EQ(r.out, "[\n{\"ID\":7}");
  EXPECT_EQ(r.err,
            "fieldmend-cli: export: /data/shop.mdb: page 7 of table Broken fails its checks\n");
}

}  // namespace
}  // namespace cli
