#include "db/sql_statement.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"

namespace db {
namespace {

TEST(SqlStatement, SelectForms) {
  for (const char* sql : {"SELECT * FROM `Order Details`", "select * from [Order Details];",
                          "  Select   *   From   `Order Details`  "}) {
    auto s = parseStatement(sql);
    ASSERT_TRUE(s.ok()) << sql << ": " << s.error().description;
    EXPECT_EQ(std::get<SelectAll>(*s).table, "Order Details") << sql;
  }
  auto bare = parseStatement("SELECT * FROM Customers");
  ASSERT_TRUE(bare.ok());
  EXPECT_EQ(std::get<SelectAll>(*bare).table, "Customers");
}

TEST(SqlStatement, UpdateWithQuotesAndBracketsRoundTripsThroughTheQuotingHelpers) {
  auto table = bracketName("Customers & Co's");
  auto column = bracketName("City `x`");
  ASSERT_TRUE(table.ok() && column.ok());
  std::string sql = "update " + *table + " set " + *column + " = " + quoteLiteral("O'Brien") +
                    " where " + *column + " = " + quoteLiteral("it's 'quoted'");
  auto s = parseStatement(sql);
  ASSERT_TRUE(s.ok()) << s.error().description;
  const auto& u = std::get<UpdateWhereEquals>(*s);
  EXPECT_EQ(u.table, "Customers & Co's");
  EXPECT_EQ(u.column, "City `x`");
  EXPECT_EQ(u.newValue, "O'Brien");
  EXPECT_EQ(u.oldValue, "it's 'quoted'");
  EXPECT_FALSE(bracketName("a]b").ok());
}

TEST(SqlStatement, MalformedStatementsAreSyntaxErrors) {
  for (const char* sql :
       {"", "DELETE FROM t", "SELECT a FROM t", "update [t] set [c] = 'x' where [c] = 'it's'",
        "update [t] set [c] = 'x' where [d] = 'y'", "update [t] set [c] = 'x", "SELECT * FROM",
        "SELECT * FROM [t] extra", "update [t set [c] = 'x' where [c] = 'y'"}) {
    auto s = parseStatement(sql);
    ASSERT_FALSE(s.ok()) << sql;
    EXPECT_EQ(s.error().number, jet::err::kSyntaxError) << sql;
  }
}

}  // namespace
}  // namespace db
