// property_map_test.cpp: property blobs built by hand: maps and values found by name, and every
// length field pushed past its block, which must fail cleanly.
#include "jet/schema/property_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace jet {
namespace {

using Blob = std::vector<std::uint8_t>;

void putU16(Blob& b, std::size_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putU32(Blob& b, std::size_t v) {
  putU16(b, v & 0xFFFF);
  putU16(b, v >> 16);
}
void putName(Blob& b, const std::string& s) {
  putU16(b, s.size() * 2);
  for (char c : s) b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
}
void putBlock(Blob& b, std::uint16_t kind, const Blob& body) {
  putU32(b, body.size() + 6);
  putU16(b, kind);
  b.insert(b.end(), body.begin(), body.end());
}
Blob value(std::uint8_t type, std::uint16_t nameIndex, const Blob& data) {
  Blob v;
  putU16(v, data.size() + 8);
  v.push_back(0);
  v.push_back(type);
  putU16(v, nameIndex);
  putU16(v, data.size());
  v.insert(v.end(), data.begin(), data.end());
  return v;
}
Blob mapBody(const std::string& name, const std::vector<Blob>& values) {
  Blob named;
  if (!name.empty()) putName(named, name);
  Blob body;
  putU32(body, named.size() + 4);
  body.insert(body.end(), named.begin(), named.end());
  for (const Blob& v : values) body.insert(body.end(), v.begin(), v.end());
  return body;
}

// Names "ResultType", "Expression"; an unnamed map, then column "Total" = [A]+[B] as currency.
Blob sampleBlob() {
  Blob b = {'M', 'R', '2', 0};
  Blob names;
  putName(names, "ResultType");
  putName(names, "Expression");
  putBlock(b, 0x80, names);
  putBlock(b, 0x00, mapBody("", {}));
  Blob expr;
  putName(expr, "[A]+[B]");
  expr.erase(expr.begin(), expr.begin() + 2);  // values carry no length prefix
  putBlock(b, 0x01, mapBody("Total", {value(0x0C, 1, expr), value(0x02, 0, {0x05})}));
  return b;
}

TEST(PropertyMap, FindsMapsAndValuesByName) {
  auto maps = parsePropertyMaps(sampleBlob());
  ASSERT_TRUE(maps.ok()) << maps.error().description;
  ASSERT_EQ(maps->size(), 2u);
  EXPECT_EQ((*maps)[0].name, "");
  const PropertyMap* total = findPropertyMap(*maps, "TOTAL");
  ASSERT_NE(total, nullptr);
  ASSERT_NE(total->find("expression"), nullptr);
  EXPECT_EQ(total->find("Expression")->type, 0x0C);
  EXPECT_EQ(total->find("Expression")->value.size(), 14u);
  EXPECT_EQ(calculatedResultType(*total), ColumnType::kCurrency);
  EXPECT_EQ(findPropertyMap(*maps, "Other"), nullptr);

  TableDef t;
  Column calc;
  calc.name = "total";
  calc.type = ColumnType::kDouble;
  calc.resultType = ColumnType::kDouble;
  calc.extraFlags = 0xC0;
  Column plain = calc;
  plain.extraFlags = 0;
  t.columns = {calc, plain};
  setCalculatedResultTypes(t, *maps);
  EXPECT_EQ(t.columns[0].resultType, ColumnType::kCurrency);
  EXPECT_EQ(t.columns[1].resultType, ColumnType::kDouble);  // not calculated: left alone
}

TEST(PropertyMap, EmptyBlobHasNoMapsAndOddResultTypesAreIgnored) {
  auto none = parsePropertyMaps(Blob{});
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none->empty());
  PropertyMap m;
  m.properties.push_back({"ResultType", 2, {0x0B}});  // OLE: no expression gives it
  EXPECT_FALSE(calculatedResultType(m).has_value());
  m.properties[0].value.clear();
  EXPECT_FALSE(calculatedResultType(m).has_value());
}

TEST(PropertyMap, DamagedBlobsFailWithoutReadingPastThem) {
  const Blob good = sampleBlob();
  auto fails = [](Blob b) { return !parsePropertyMaps(b).ok(); };
  Blob b = good;
  b[0] = 'X';
  EXPECT_TRUE(fails(b));  // unknown kind
  // Cut anywhere but between blocks.
  std::vector<std::size_t> ends = {4};
  while (ends.back() < good.size()) ends.push_back(ends.back() + good[ends.back()]);
  for (std::size_t cut = 5; cut < good.size(); ++cut) {
    if (std::find(ends.begin(), ends.end(), cut) != ends.end()) continue;
    EXPECT_TRUE(fails(Blob(good.begin(), good.begin() + static_cast<long>(cut)))) << cut;
  }
  b = good;
  b[4] = 3;  // name block shorter than its own header
  EXPECT_TRUE(fails(b));
  // The value entries of the last map: name index and data size past what exists.
  std::size_t last = good.size() - 9;  // the ResultType entry: 8-byte header + 1 byte
  b = good;
  b.at(last + 4) = 7;
  EXPECT_TRUE(fails(b));
  b = good;
  b.at(last + 6) = 2;
  EXPECT_TRUE(fails(b));
  b = good;
  b.at(last) = 4;  // entry shorter than its header
  EXPECT_TRUE(fails(b));
}

}  // namespace
}  // namespace jet
