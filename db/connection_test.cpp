// connection_test.cpp: the connection and recordset on new databases in a scratch folder: the
// update statement's meaning, refusals with the provider's numbers, the streaming recordset, and
// when the writer is taken and committed.
#include "db/connection.h"

#include <gtest/gtest.h>

#include "db/connection_string.h"
#include "db/error_codes.h"
#include "db/recordset.h"
#include "jet/create/database_creator.h"
#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"

namespace db {
namespace {

jet::Value text(std::string s) {
  jet::Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}

class ConnectionTest : public ::testing::Test {
 protected:
  jet::testing::ScratchFolder folder;
  std::string path = folder.file("shop.mdb");

  void SetUp() override {
    jet::CreateOptions options;
    options.templatePath =
        std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/empty-jet4.mdb";
    auto creator = jet::DatabaseCreator::create(path, options);
    ASSERT_TRUE(creator.ok()) << creator.error().description;
    ASSERT_TRUE((*creator)
                    ->addTable("Customers", {{"City", jet::ColumnType::kText, 20},
                                             {"Zip", jet::ColumnType::kLong}})
                    .ok());
    for (const char* city : {"Paris", "PARIS", "Lyon", "paris", "Pâris"}) {
      jet::Value zip;
      zip.isNull = false;
      zip.integer = 75;
      ASSERT_TRUE((*creator)->insertRow({text(city), zip}).ok());
    }
    ASSERT_TRUE((*creator)->addTable("Empty", {{"City", jet::ColumnType::kText, 20}}).ok());
    ASSERT_TRUE((*creator)->finish().ok());
  }

  std::unique_ptr<Connection> connect(ConnectionMode mode = ConnectionMode::kReadWrite) {
    auto c = Connection::open(buildConnectionString(path, ""), mode);
    EXPECT_TRUE(c.ok()) << c.error().description;
    return c.ok() ? std::move(*c) : nullptr;
  }

  std::vector<std::string> cities() {
    auto c = connect(ConnectionMode::kRead);
    auto rs = c->openRecordset("SELECT * FROM `Customers`");
    std::vector<std::string> out;
    while (!(*rs)->eof()) {
      out.push_back((*rs)->value(0).text);
      if (!(*rs)->moveNext().ok()) break;
    }
    return out;
  }
};

TEST_F(ConnectionTest, TheUpdateChangesEveryRecordEqualLetterCaseAside) {
  auto c = connect();
  auto changed = c->execute("update [Customers] set [City] = 'Rome' where [City] = 'paris'");
  ASSERT_TRUE(changed.ok()) << changed.error().description;
  EXPECT_EQ(*changed, 3u);
  ASSERT_TRUE(c->close().ok());
  EXPECT_EQ(cities(), (std::vector<std::string>{"Rome", "Rome", "Lyon", "Rome", "Pâris"}));
}

TEST(ConnectionNames, TablesAndColumnsMatchLetterCaseAsideBeyondAscii) {
  jet::testing::ScratchFolder folder;
  const std::string path = folder.file("names.mdb");
  jet::CreateOptions options;
  options.templatePath =
      std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/empty-jet4.mdb";
  auto creator = jet::DatabaseCreator::create(path, options);
  ASSERT_TRUE(creator.ok()) << creator.error().description;
  ASSERT_TRUE((*creator)->addTable("Ärger", {{"Ölpreis", jet::ColumnType::kText, 20}}).ok());
  ASSERT_TRUE((*creator)->insertRow({text("hoch")}).ok());
  EXPECT_FALSE((*creator)->addTable("ärger", {{"x", jet::ColumnType::kText, 5}}).ok());
  ASSERT_TRUE((*creator)->finish().ok());

  auto c = Connection::open(buildConnectionString(path, ""), ConnectionMode::kReadWrite);
  ASSERT_TRUE(c.ok()) << c.error().description;
  auto rs = (*c)->openRecordset("SELECT * FROM `äRGER`");
  ASSERT_TRUE(rs.ok()) << rs.error().description;
  rs->reset();
  auto changed = (*c)->execute("UPDATE [ÄRGER] SET [ÖLPREIS] = 'tief' WHERE [ÖLPREIS] = 'HOCH'");
  ASSERT_TRUE(changed.ok()) << changed.error().description;
  EXPECT_EQ(*changed, 1u);
}

TEST_F(ConnectionTest, DoubledQuotesStandForOneAndNoMatchChangesNothing) {
  auto before = jet::testing::readWhole(path);
  auto c = connect();
  auto none = c->execute("UPDATE [Customers] SET [City] = 'x' WHERE [City] = 'Nice'");
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(*none, 0u);
  EXPECT_FALSE(c->writing());
  ASSERT_TRUE(c->close().ok());
  EXPECT_EQ(jet::testing::readWhole(path), before);

  auto again = connect();
  auto one = again->execute("update [Customers] set [City] = 'O''Brien' where [City] = 'Lyon'");
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(*one, 1u);
  ASSERT_TRUE(again->close().ok());
  EXPECT_EQ(cities()[2], "O'Brien");
}

TEST_F(ConnectionTest, FailuresCarryTheProvidersNumbersAndNameTheCulprit) {
  auto c = connect();
  auto bad = c->execute("update [Customers] set [City] = 'it's' where [City] = 'Lyon'");
  EXPECT_EQ(bad.error().number, jet::err::kSyntaxError);
  auto number = c->execute("update [Customers] set [Zip] = '76' where [Zip] = '75'");
  EXPECT_EQ(number.error().number, jet::err::kCantConvertValue);
  EXPECT_NE(number.error().description.find("Zip"), std::string::npos);
  auto tooLong = c->execute(
      "update [Customers] set [City] = 'a name far longer than twenty' where [City] = 'Lyon'");
  EXPECT_EQ(tooLong.error().number, jet::err::kDataOverflow);
  auto column = c->execute("update [Customers] set [Town] = 'x' where [Town] = 'y'");
  EXPECT_FALSE(column.ok());
  EXPECT_NE(column.error().description.find("Town"), std::string::npos);
  auto table = c->openRecordset("SELECT * FROM `Nowhere`");
  EXPECT_FALSE(table.ok());
  EXPECT_NE(table.error().description.find("Nowhere"), std::string::npos);
  EXPECT_EQ(c->execute("SELECT * FROM `Customers`").error().number, jet::err::kSyntaxError);
  ASSERT_TRUE(c->close().ok());
  EXPECT_EQ(cities()[2], "Lyon");
}

TEST_F(ConnectionTest, AReadOnlyConnectionRefusesChangesAndTouchesNothing) {
  auto before = jet::testing::readWhole(path);
  auto c = connect(ConnectionMode::kRead);
  auto refused = c->execute("update [Customers] set [City] = 'x' where [City] = 'Lyon'");
  EXPECT_EQ(refused.error().number, err::kConnectionReadOnly);
  c.reset();
  EXPECT_EQ(jet::testing::readWhole(path), before);
}

TEST_F(ConnectionTest, TheRecordsetStreamsEveryRecordAndCountsThem) {
  auto c = connect();
  auto rs = c->openRecordset("SELECT * FROM `customers`");
  ASSERT_TRUE(rs.ok()) << rs.error().description;
  EXPECT_EQ(*(*rs)->recordCount(), 5u);
  ASSERT_EQ((*rs)->fieldCount(), 2u);
  EXPECT_EQ((*rs)->fieldName(1), "Zip");
  int n = 0;
  while (!(*rs)->eof()) {
    ++n;
    ASSERT_TRUE((*rs)->moveNext().ok());
  }
  EXPECT_EQ(n, 5);
  EXPECT_EQ((*rs)->moveNext().number(), err::kNoCurrentRecord);
  auto empty = c->openRecordset("SELECT * FROM [Empty]");
  ASSERT_TRUE(empty.ok());
  EXPECT_TRUE((*empty)->eof());
  EXPECT_EQ(*(*empty)->recordCount(), 0u);
  EXPECT_FALSE(c->writing());
}

TEST_F(ConnectionTest, TheRecordsetChangesOnlyItsCurrentRecord) {
  auto c = connect();
  auto rs = c->openRecordset("SELECT * FROM `Customers`");
  ASSERT_TRUE(rs.ok());
  ASSERT_TRUE((*rs)->updateText(0, "Rome").ok());
  EXPECT_TRUE(c->writing());
  EXPECT_EQ((*rs)->updateText(1, "76").number(), jet::err::kCantConvertValue);
  rs->reset();
  ASSERT_TRUE(c->close().ok());
  EXPECT_EQ(cities(), (std::vector<std::string>{"Rome", "PARIS", "Lyon", "paris", "Pâris"}));
}

// Until the connection holds the file for writing, another program may change a record after it
// was read; the change is then refused rather than made over the other program's value.
TEST_F(ConnectionTest, ARecordChangedSinceItWasReadIsLeftAlone) {
  auto c = connect();
  auto rs = c->openRecordset("SELECT * FROM `Customers`");
  ASSERT_TRUE(rs.ok());
  {
    auto other = connect();
    ASSERT_TRUE(other->execute("update [Customers] set [City] = 'Nice' where [City] = 'Paris'").ok());
    ASSERT_TRUE(other->close().ok());
  }
  EXPECT_EQ((*rs)->updateText(0, "Rome").number(), err::kRecordChanged);
  rs->reset();
  ASSERT_TRUE(c->close().ok());
  EXPECT_EQ(cities()[0], "Nice");
}

TEST_F(ConnectionTest, ChangesAreCommittedOnlyAfterTheHookSucceeds) {
  auto before = jet::testing::readWhole(path);
  auto c = connect();
  int calls = 0;
  c->setBeforeCommit([&] {
    ++calls;
    return jet::Status(jet::Error{jet::err::kIo, "log not durable"});
  });
  ASSERT_TRUE(c->execute("update [Customers] set [City] = 'x' where [City] = 'Lyon'").ok());
  jet::Status closed = c->close();
  EXPECT_EQ(closed.description(), "log not durable");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(jet::testing::readWhole(path), before);
}

}  // namespace
}  // namespace db
