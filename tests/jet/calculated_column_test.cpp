// calculated_column_test.cpp: calculated columns of real files read as their result type (from
// the table's properties), against the values Access shows for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "jet/database.h"
#include "jet/core/error_codes.h"
#include "jet/core/value_format.h"
#include "tests/jet/test_support.h"

namespace jet {
namespace {

using testing::corpusPath;

std::size_t columnIndex(const TableDef& t, const std::string& name) {
  for (std::size_t n = 0; n < t.columns.size(); ++n) {
    if (t.columns[n].name == name) return n;
  }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

// A cell as Access shows it, by the column's result type.
std::string shown(const Column& c, const Value& v) {
  if (v.isNull) return "null";
  switch (c.calculated() ? c.resultType : c.type) {
    case ColumnType::kBoolean:
      return v.boolean ? "true" : "false";
    case ColumnType::kLong:
    case ColumnType::kInteger:
      return std::to_string(v.integer);
    case ColumnType::kSingle:
      return formatSingle(static_cast<float>(v.real));
    case ColumnType::kDouble:
      return formatDouble(v.real);
    case ColumnType::kDateTime:
      return formatDateTime(v.real);
    default:
      return v.text;  // text, currency, decimal
  }
}

struct Read {
  TableDef table;
  std::vector<Row> rows;
};

Read readAll(const std::string& file, const std::string& table) {
  Read r;
  auto db = Database::open(corpusPath(file));
  if (!db.ok()) {
    ADD_FAILURE() << db.error().description;
    return r;
  }
  auto t = (*db)->table(table);
  if (!t.ok()) {
    ADD_FAILURE() << t.error().description;
    return r;
  }
  r.table = *t;
  auto scan = (*db)->scan(r.table);
  Row row;
  while (scan.ok() && (*scan)->next(row).value()) r.rows.push_back(row);
  return r;
}

// What Access shows for the calculated columns of calcFieldTestV2010, row by row.
const std::vector<std::map<std::string, std::string>> kCalcFieldRows = {
    {{"LastFirst", "Wayne, Bruce"},
     {"LastFirstLen", "12"},
     {"MonthlySalary", "83333.3333"},
     {"IsRich", "true"},
     {"AllNames", "Wayne, Bruce=Wayne, Bruce"},
     {"WeeklySalary", "19230.7692307692"},
     {"SalaryTest", "1000000.0000"},
     {"BoolTest", "true"},
     {"DecimalTest", "50.325000"},
     {"FloatTest", "2583.2092"},
     {"BigNumTest", "56505085819.424791296572280180"}},
    {{"LastFirst", "Simpson, Bart"},
     {"LastFirstLen", "13"},
     {"MonthlySalary", "-0.0833"},
     {"IsRich", "false"},
     {"AllNames", "Simpson, Bart=Simpson, Bart"},
     {"WeeklySalary", "-0.0192307692307692"},
     {"SalaryTest", "-1.0000"},
     {"BoolTest", "true"},
     {"DecimalTest", "-36.222200"},
     {"FloatTest", "0.0035889593"},
     {"BigNumTest", "-0.0784734499180612994241100748"}},
    {{"LastFirst", "Doe, John"},
     {"LastFirstLen", "9"},
     {"MonthlySalary", "0.0000"},
     {"IsRich", "false"},
     {"AllNames", "Doe, John=Doe, John"},
     {"WeeklySalary", "0"},
     {"SalaryTest", "0.0000"},
     {"BoolTest", "true"},
     {"DecimalTest", "0.012300"},
     {"FloatTest", "0"},
     {"BigNumTest", "0.00000000"}},
    {{"LastFirst", "User, Test"},
     {"LastFirstLen", "10"},
     {"MonthlySalary", "8.3333"},
     {"IsRich", "false"},
     {"AllNames", "User, Test=User, Test"},
     {"WeeklySalary", "1.92307692307692"},
     {"SalaryTest", "100.0000"},
     {"BoolTest", "true"},
     {"DecimalTest", "102030405060.654321"},
     {"FloatTest", "1.27413e-10"},
     {"BigNumTest", "0.0000002787019289824216980830"}},
};

TEST(CalculatedColumns, AreReadAsTheResultTypeTheirPropertiesGive) {
  Read r = readAll("jackcess/V2010/calcFieldTestV2010.accdb", "Table1");
  ASSERT_EQ(r.rows.size(), kCalcFieldRows.size());
  const auto& cols = r.table.columns;
  // Declared double, integer, double, decimal; stored as currency, boolean, decimal, single.
  EXPECT_EQ(cols[columnIndex(r.table, "MonthlySalary")].type, ColumnType::kDouble);
  EXPECT_EQ(cols[columnIndex(r.table, "MonthlySalary")].resultType, ColumnType::kCurrency);
  EXPECT_EQ(cols[columnIndex(r.table, "IsRich")].resultType, ColumnType::kBoolean);
  EXPECT_EQ(cols[columnIndex(r.table, "WeeklySalary")].resultType, ColumnType::kNumeric);
  EXPECT_EQ(cols[columnIndex(r.table, "FloatTest")].resultType, ColumnType::kSingle);
  EXPECT_EQ(cols[columnIndex(r.table, "AllNames")].resultType, ColumnType::kMemo);
  for (std::size_t n = 0; n < r.rows.size(); ++n) {
    for (const auto& [name, expected] : kCalcFieldRows[n]) {
      std::size_t c = columnIndex(r.table, name);
      EXPECT_EQ(shown(cols[c], r.rows[n].values[c]), expected) << "row " << n + 1 << " " << name;
    }
  }
}

TEST(CalculatedColumns, DateAndTextResultsOfOtherFiles) {
  Read dates = readAll("jackcess/V2019/extDateTestV2019.accdb", "Table1");
  ASSERT_EQ(dates.rows.size(), 9u);
  std::size_t calc = columnIndex(dates.table, "DateNormalCalc");
  std::size_t plain = columnIndex(dates.table, "DateNormal");
  EXPECT_EQ(dates.table.columns[calc].resultType, ColumnType::kDateTime);
  for (const Row& row : dates.rows) {
    EXPECT_EQ(shown(dates.table.columns[calc], row.values[calc]),
              shown(dates.table.columns[plain], row.values[plain]));
  }

  // eee = [§/\\$%:-] & '' & [_eeeee£%]; rows 2-4 were stored with an empty result.
  Read text = readAll("ucanaccess/alterTable.accdb", "Tabella1");
  ASSERT_EQ(text.rows.size(), 13u);
  std::size_t eee = columnIndex(text.table, "eee");
  EXPECT_EQ(text.table.columns[eee].resultType, ColumnType::kText);
  EXPECT_EQ(text.rows[0].values[eee].text, "g");
  EXPECT_EQ(text.rows[1].values[eee].text, "");
  EXPECT_EQ(text.rows[4].values[eee].text, "eee1");
  EXPECT_EQ(text.rows[6].values[eee].text, "CFFFFC(((1");
}

// Property blobs start "MR2\0"; Table1's name its column LastFirstLen soon after. Older copies
// of it linger in freed long values, so all are returned.
std::vector<std::size_t> table1Properties(const std::vector<std::uint8_t>& file) {
  const std::string name = "LastFirstLen";
  std::vector<std::uint8_t> ucs2;
  for (char ch : name) ucs2.insert(ucs2.end(), {static_cast<std::uint8_t>(ch), 0});
  const std::uint8_t magic[] = {'M', 'R', '2', 0};
  std::vector<std::size_t> found;
  for (auto at = file.begin(); at != file.end(); ++at) {
    at = std::search(at, file.end(), std::begin(magic), std::end(magic));
    if (at == file.end()) break;
    auto window = file.end() - at > 4000 ? at + 4000 : file.end();
    if (std::search(at, window, ucs2.begin(), ucs2.end()) != window) {
      found.push_back(static_cast<std::size_t>(at - file.begin()));
    }
  }
  return found;
}

TEST(CalculatedColumns, DamagedPropertiesNameTheTable) {
  testing::TempDir dir;
  std::string copy = dir.copy("jackcess/V2010/calcFieldTestV2010.accdb");
  auto bytes = testing::readAll(copy);
  auto blobs = table1Properties(bytes);
  ASSERT_FALSE(blobs.empty());
  for (std::size_t blob : blobs) bytes[blob + 4 + 2] = 0x7F;  // the first block claims 8 MB
  testing::writeAll(copy, bytes);
  auto db = Database::open(copy);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto t = (*db)->table("Table1");
  ASSERT_FALSE(t.ok());
  EXPECT_EQ(t.error().number, err::kBadPage);
  EXPECT_NE(t.error().description.find("table 'Table1'"), std::string::npos)
      << t.error().description;
}

}  // namespace
}  // namespace jet
