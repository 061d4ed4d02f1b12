// new_row_encoder_test.cpp: rows of new tables decoded by the engine's own row codec, the three
// forms of long values, and the refusals that name the column.
#include "jet/row/new_row_encoder.h"

#include <gtest/gtest.h>

#include <map>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/row/row_codec.h"
#include "jet/schema/table_def.h"
#include "jet/core/test_values.h"

namespace jet {
namespace {

using ByteVector = std::vector<std::uint8_t>;

// Keeps long-value rows in memory under made-up pointers, and reads values back from them.
class MemoryLongValues : public LongValueStore, public LongValueSource {
 public:
  Result<std::uint32_t> store(std::uint16_t column, std::span<const std::uint8_t> row) override {
    columns.push_back(column);
    std::uint32_t pointer = (next_++ << 8) | 3;
    rows[pointer] = ByteVector(row.begin(), row.end());
    return pointer;
  }

  Result<ByteVector> read(Bytes d) const override {
    std::uint32_t length = u32(d, 0) & 0x3FFFFFFF;
    std::uint8_t form = d[3] & 0xC0;
    if (form == 0x80) return ByteVector(d.begin() + 12, d.begin() + 12 + length);
    if (form == 0x40) return rows.at(u32(d, 4));
    ByteVector out;
    for (std::uint32_t p = u32(d, 4); p != 0;) {
      const ByteVector& row = rows.at(p);
      out.insert(out.end(), row.begin() + 4, row.end());
      p = u32(row, 0);
    }
    return out;
  }

  std::map<std::uint32_t, ByteVector> rows;
  std::vector<std::uint16_t> columns;

 private:
  std::uint32_t next_ = 10;
};

using testing::flag;
using testing::num;
using testing::real;
using testing::str;

TableDef table() {
  auto def = layoutTable("T", {{"Id", ColumnType::kLong},
                               {"Name", ColumnType::kText, 10},
                               {"On", ColumnType::kBoolean},
                               {"Memo", ColumnType::kMemo},
                               {"Small", ColumnType::kInteger},
                               {"Tiny", ColumnType::kByte},
                               {"Price", ColumnType::kCurrency},
                               {"F", ColumnType::kSingle},
                               {"When", ColumnType::kDateTime},
                               {"Code", ColumnType::kText, 4}});
  EXPECT_TRUE(def.ok());
  return *def;
}

TEST(NewRowEncoder, RowsDecodeToTheValuesGiven) {
  TableDef def = table();
  MemoryLongValues lv;
  std::vector<std::vector<Value>> rows = {
      {num(7), str("Zoë"), flag(true), str(std::string(5000, 'm')), num(-300), num(200),
       num(-12345), real(0.5), real(45000.25), str("ab😀")},
      {num(-1), Value{}, flag(false), Value{}, Value{}, Value{}, Value{}, Value{}, Value{},
       str("")},
      {num(0), str(""), Value{}, str("short"), num(32767), num(0), num(0), real(-2), real(0),
       Value{}},
  };
  for (const auto& values : rows) {
    auto stored = encodeNewRow(def, values, lv);
    ASSERT_TRUE(stored.ok()) << stored.error().description;
    auto back = decodeRow(*stored, def, RowContext{kFormatJet4, 0, lv});
    ASSERT_TRUE(back.ok()) << back.error().description;
    for (std::size_t c = 0; c < values.size(); ++c) {
      const Value& want = values[c];
      const Value& got = (*back)[c];
      const Column& col = def.columns[c];
      if (col.type == ColumnType::kBoolean) {
        EXPECT_EQ(got.boolean, !want.isNull && want.boolean) << col.name;
        continue;
      }
      ASSERT_EQ(got.isNull, want.isNull) << col.name;
      if (want.isNull) continue;
      EXPECT_EQ(
          got.text.empty() ? std::string() : got.text,
          col.type == ColumnType::kText || col.type == ColumnType::kMemo ? want.text : got.text)
          << col.name;
      if (col.type == ColumnType::kSingle || col.type == ColumnType::kDateTime) {
        EXPECT_DOUBLE_EQ(got.real, want.real) << col.name;
      } else if (col.type != ColumnType::kText && col.type != ColumnType::kMemo) {
        EXPECT_EQ(got.integer, want.integer) << col.name;
      }
    }
  }
}

TEST(NewRowEncoder, LongValuesGoInlineInOneRowOrInAChain) {
  MemoryLongValues lv;
  auto inline64 = encodeLongValue(ByteVector(64, 'a'), 5, lv);
  ASSERT_TRUE(inline64.ok());
  EXPECT_EQ(inline64->size(), 12u + 64u);
  EXPECT_EQ((*inline64)[3], 0x80);
  EXPECT_TRUE(lv.rows.empty());

  auto single = encodeLongValue(ByteVector(kMaxLongValueRow, 'b'), 5, lv);
  ASSERT_TRUE(single.ok());
  EXPECT_EQ(single->size(), 12u);
  EXPECT_EQ((*single)[3], 0x40);
  EXPECT_EQ(lv.rows.size(), 1u);

  ByteVector big(3 * (kMaxLongValueRow - 4) + 10);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  auto chain = encodeLongValue(big, 6, lv);
  ASSERT_TRUE(chain.ok());
  EXPECT_EQ((*chain)[3] & 0xC0, 0);
  EXPECT_EQ(u32(*chain, 0), big.size());
  EXPECT_EQ(lv.rows.size(), 1u + 4u);
  for (const auto& [pointer, row] : lv.rows) EXPECT_LE(row.size(), kMaxLongValueRow);
  auto back = lv.read(*chain);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, big);
  EXPECT_EQ(lv.columns.back(), 6);
}

TEST(NewRowEncoder, EmptyTextIsStoredAsNoBytes) {
  TableDef def = table();
  auto empty = encodeNewText(def.columns[1], "", "T");
  ASSERT_TRUE(empty.ok());
  EXPECT_TRUE(empty->empty());
  auto plain = encodeNewText(def.columns[1], "abc", "T");
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(*plain, (ByteVector{0xFF, 0xFE, 'a', 'b', 'c'}));
}

TEST(NewRowEncoder, BadValuesAreRefusedNamingTheColumn) {
  TableDef def = table();
  MemoryLongValues lv;
  std::vector<Value> row(def.columns.size());
  row[1] = str("eleven char");
  auto tooLong = encodeNewRow(def, row, lv);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().number, err::kDataOverflow);
  EXPECT_NE(tooLong.error().description.find("\"Name\""), std::string::npos);

  row[1] = Value{};
  row[5] = num(256);
  auto byteRange = encodeNewRow(def, row, lv);
  ASSERT_FALSE(byteRange.ok());
  EXPECT_NE(byteRange.error().description.find("\"Tiny\""), std::string::npos);

  row[5] = Value{};
  row[4] = num(40000);
  EXPECT_FALSE(encodeNewRow(def, row, lv).ok());

  row.pop_back();
  EXPECT_FALSE(encodeNewRow(def, row, lv).ok());
}

TEST(NewRowEncoder, RowTooLargeIsRefusedBeforeAnyLongValueIsStored) {
  std::vector<ColumnSpec> specs = {{"Memo", ColumnType::kMemo}};
  for (int i = 0; i < 8; ++i) specs.push_back({"T" + std::to_string(i), ColumnType::kText, 255});
  auto def = layoutTable("Wide", specs);
  ASSERT_TRUE(def.ok());
  std::string euros;
  for (int i = 0; i < 255; ++i) euros += "€";  // not compressible: 510 bytes each
  std::vector<Value> row = {str(std::string(5000, 'm'))};
  for (int i = 0; i < 8; ++i) row.push_back(str(euros));
  MemoryLongValues lv;
  auto stored = encodeNewRow(*def, row, lv);
  ASSERT_FALSE(stored.ok());
  EXPECT_EQ(stored.error().number, err::kRowTooLarge);
  EXPECT_NE(stored.error().description.find("\"Wide\""), std::string::npos);
  EXPECT_TRUE(lv.rows.empty());
}

}  // namespace
}  // namespace jet
