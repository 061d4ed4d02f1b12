// connection_string_test.cpp: the provider choice, the exact strings built, the quoting that
// keeps ';' and '"' from breaking them, and the parser reading back what the builder makes.

#include "db/connection_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/error_codes.h"

namespace db {
namespace {

TEST(ConnectionStringTest, BuildsTheProviderStringsExactly) {
  EXPECT_EQ(buildConnectionString("C:\\data\\Shop.ACCDB", ""),
            "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\data\\Shop.ACCDB"
            ";JET OLEDB:Database Password=");
  EXPECT_EQ(buildConnectionString("C:\\data\\shop.mdb", "pw"),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\shop.mdb"
            ";JET OLEDB:Database Password=pw");
  EXPECT_EQ(buildConnectionString("", "pw"),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=;JET OLEDB:Database Password=pw");
  EXPECT_EQ(buildConnectionString(" /data/odd name='x'.mdb", " p=w "),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source= /data/odd name='x'.mdb"
            ";JET OLEDB:Database Password= p=w ")
      << "only ';' and '\"' cause quoting";
}

TEST(ConnectionStringTest, ProviderLooksOnlyAtTheLastFiveCharacters) {
  EXPECT_EQ(providerFor("/data/x.accdb"), Provider::kAce);
  EXPECT_EQ(providerFor("/data/xaccdb"), Provider::kAce) << "no dot needed";
  EXPECT_EQ(providerFor("AcCdB"), Provider::kAce);
  EXPECT_EQ(providerFor("/data/x.accdb "), Provider::kJet) << "trailing space";
  EXPECT_EQ(providerFor("ccdb"), Provider::kJet);
  EXPECT_EQ(providerFor("/data/x.accde"), Provider::kJet);
  EXPECT_EQ(providerFor("/data/\xC3\xA9.mdb"), Provider::kJet);
}

TEST(ConnectionStringTest, QuotesValuesHoldingSemicolonsOrQuotes) {
  EXPECT_EQ(buildConnectionString("/d/a;b.accdb", "p;w"),
            "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=\"/d/a;b.accdb\""
            ";JET OLEDB:Database Password=\"p;w\"");
  EXPECT_EQ(buildConnectionString("/d/x.mdb", "say \"hi\""),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb"
            ";JET OLEDB:Database Password=\"say \"\"hi\"\"\"");
}

TEST(ConnectionStringTest, ParserReadsBackWhatTheBuilderMakes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/data/shop.mdb", ""},
      {"/data/Shop.ACCDB", "secret"},
      {"/d/a;b;.accdb", ";"},
      {"/d/\"quoted\".mdb", "\""},
      {"", "\"\""},
      {" /leading and trailing spaces.mdb ", "  "},
      {"/d/x=y.mdb", "a=b=c"},
      {"/d/\xE6\x97\xA5\xE6\x9C\xAC.accdb", "p\xC3\xA4ss;\"word\""},
      {"/d/'single'.mdb", "'pw'"},
  };
  for (const auto& [path, password] : cases) {
    const auto parsed = parseConnectionString(buildConnectionString(path, password));
    ASSERT_TRUE(parsed.ok()) << path << ": " << parsed.error().description;
    EXPECT_EQ(parsed->path, path);
    EXPECT_EQ(parsed->password, password) << path;
    EXPECT_EQ(parsed->provider, providerFor(path)) << path;
  }
}

TEST(ConnectionStringTest, ParserTakesKeysInAnyCaseOrderAndSpacing) {
  const auto parsed = parseConnectionString(
      " jet oledb:DATABASE password=pw ;  data source=/x.mdb;;provider = "
      "microsoft.ace.oledb.12.0;");
  ASSERT_TRUE(parsed.ok()) << parsed.error().description;
  EXPECT_EQ(parsed->provider, Provider::kAce);
  EXPECT_EQ(parsed->path, "/x.mdb");
  EXPECT_EQ(parsed->password, "pw ");

  const auto noPassword =
      parseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a;b.mdb\"  ");
  ASSERT_TRUE(noPassword.ok()) << noPassword.error().description;
  EXPECT_EQ(noPassword->path, "/a;b.mdb");
  EXPECT_EQ(noPassword->password, "");
}

TEST(ConnectionStringTest, ParserRefusesMalformedStringsWithoutQuotingThem) {
  const std::string jet = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/x.mdb";
  const std::vector<std::string> bad = {
      "",
      "Data Source=/x.mdb",
      "Provider=Microsoft.Jet.OLEDB.4.0",
      "Provider=SQLOLEDB;Data Source=/x.mdb",
      jet + ";JET OLEDB:Database Password=SECRET;tail",  // an unquoted ';' in it
      jet + ";JET OLEDB:Database Password=SECRET;tail=x",
      jet + ";JET OLEDB:Database Password=\"SECRET",     // never closed
      jet + ";JET OLEDB:Database Password=\"SECRET\"x",  // text after the quote
      jet + ";JET OLEDB:Database Password=a;JET OLEDB:Database Password=SECRET",
      jet + ";Data Source=/y.mdb",
  };
  for (const std::string& text : bad) {
    const auto parsed = parseConnectionString(text);
    ASSERT_FALSE(parsed.ok()) << text;
    EXPECT_EQ(parsed.error().number, err::kBadConnectionString);
    EXPECT_EQ(parsed.error().description.find("SECRET"), std::string::npos) << text;
    EXPECT_EQ(parsed.error().description.find("tail"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace db
