// row_codec_test.cpp: hand-built rows the corpus does not cover well: a Jet3 row past 256
// bytes (jump table), a row written before a column was added, damaged offsets; rows cut and
// joined for both formats; rows of new tables decoded by the engine's own reader, and the
// refusals that name the column.
#include "jet/row/row_codec.h"

#include <gtest/gtest.h>

#include <map>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/core/test_values.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

class NoLongValues : public LongValueSource {
 public:
  Result<std::vector<std::uint8_t>> read(Bytes) const override { return Error{1, "none"}; }
};

Column column(const char* name, ColumnType type, std::uint16_t number, std::uint16_t varIndex,
              std::uint16_t fixedOffset, bool fixed) {
  Column c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.varIndex = varIndex;
  c.fixedOffset = fixedOffset;
  c.flags = fixed ? 0x01 : 0x00;
  return c;
}

TableDef threeColumns(ColumnType textType) {
  TableDef t;
  t.name = "T";
  t.varColumnCount = 2;
  t.columns = {column("id", ColumnType::kLong, 0, 0, 0, true),
               column("a", textType, 1, 0, 0, false), column("b", textType, 2, 1, 0, false)};
  return t;
}

TEST(RowCodec, Jet3RowPast256BytesCarriesAJumpTable) {
  // count, long 7, 300 x 'a', "bc", offsets (eod, b, a: low bytes), jump entry 1, var count, mask
  std::vector<std::uint8_t> row = {3, 7, 0, 0, 0};
  row.insert(row.end(), 300, 'a');
  row.insert(row.end(), {'b', 'c'});
  row.insert(row.end(), {307 & 0xFF, 305 & 0xFF, 5, 1, 2, 0x07});
  ASSERT_EQ(row.size(), 313u);
  NoLongValues none;
  RowContext ctx{kFormatJet3, 1252, none};
  auto values = decodeRow(row, threeColumns(ColumnType::kText), ctx);
  ASSERT_TRUE(values.ok()) << values.error().description;
  EXPECT_EQ((*values)[0].integer, 7);
  EXPECT_EQ((*values)[1].text, std::string(300, 'a'));
  EXPECT_EQ((*values)[2].text, "bc");
  // The same parts join to the same bytes.
  RowLayout layout;
  layout.columnCount = 3;
  layout.fixed = {7, 0, 0, 0};
  layout.variable = {ByteVector(300, 'a'), ByteVector{'b', 'c'}};
  layout.nullMask = {0x07};
  EXPECT_EQ(joinRow(layout, kFormatJet3), row);
  EXPECT_EQ(joinedSize(layout, kFormatJet3), row.size());
}

TEST(RowCodec, Jet4ColumnsAddedAfterTheRowAreNull) {
  TableDef t;
  t.name = "T";
  t.varColumnCount = 1;
  t.columns = {column("id", ColumnType::kLong, 0, 0, 0, true),
               column("s", ColumnType::kText, 1, 0, 0, false),
               column("later", ColumnType::kLong, 2, 0, 4, true)};
  // 2 columns written; long 9; "hi" in UCS-2; eod 10; offset 6; var count 1; mask all set
  std::vector<std::uint8_t> row = {2, 0, 9, 0, 0, 0, 'h', 0, 'i', 0, 10, 0, 6, 0, 1, 0, 0x07};
  NoLongValues none;
  RowContext ctx{kFormatJet4, 0, none};
  auto values = decodeRow(row, t, ctx);
  ASSERT_TRUE(values.ok()) << values.error().description;
  EXPECT_EQ((*values)[0].integer, 9);
  EXPECT_EQ((*values)[1].text, "hi");
  EXPECT_TRUE((*values)[2].isNull);
}

RowLayout sample(std::uint16_t columns, std::vector<std::size_t> sizes) {
  RowLayout r;
  r.columnCount = columns;
  r.fixed = {1, 2, 3, 4};
  r.nullMask.assign((columns + 7u) / 8u, 0xFF);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    r.variable.emplace_back(sizes[i], static_cast<std::uint8_t>('a' + i));
  }
  return r;
}

void expectSame(const RowLayout& a, const RowLayout& b) {
  EXPECT_EQ(a.columnCount, b.columnCount);
  EXPECT_EQ(a.fixed, b.fixed);
  EXPECT_EQ(a.variable, b.variable);
  EXPECT_EQ(a.nullMask, b.nullMask);
}

TEST(RowCodec, JoinedRowsSplitBackForBothFormats) {
  for (const Format* fp : {&kFormatJet3, &kFormatJet4}) {
    const Format& f = *fp;
    // Sizes chosen so Jet3 offsets cross one, two and several 256-byte boundaries, with empty
    // (deleted or empty) columns on and around the crossings.
    for (auto sizes : std::vector<std::vector<std::size_t>>{{},
                                                            {0},
                                                            {5, 0, 7},
                                                            {250, 10},
                                                            {256, 0, 0, 300},
                                                            {600, 1, 700},
                                                            {100, 100, 100, 100, 100}}) {
      RowLayout row = sample(9, sizes);
      ByteVector bytes = joinRow(row, f);
      auto back = splitRow(bytes, f, true);
      ASSERT_TRUE(back.ok()) << back.error().description;
      expectSame(*back, row);
    }
  }
}

TEST(RowCodec, TablesWithoutVariableColumnsHaveNoVariableTable) {
  RowLayout row = sample(2, {});
  row.hasVariableTable = false;
  ByteVector bytes = joinRow(row, kFormatJet4);
  EXPECT_EQ(bytes.size(), 2u + 4u + 1u);
  auto back = splitRow(bytes, kFormatJet4, false);
  ASSERT_TRUE(back.ok());
  expectSame(*back, row);
}

TEST(RowCodec, DamagedRowsAreErrorsNotReads) {
  NoLongValues none;
  TableDef t = threeColumns(ColumnType::kBinary);
  for (const Format* f : {&kFormatJet3, &kFormatJet4}) {
    ByteVector good = joinRow(sample(9, {5, 6}), *f);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
      // must not read out of bounds (checked under ASan)
      ByteVector shorter(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
      (void)splitRow(shorter, *f, true);
      (void)decodeRow(shorter, t, RowContext{*f, 1252, none});
    }
  }
  ByteVector bad = joinRow(sample(3, {5, 6}), kFormatJet4);
  bad[bad.size() - 1 - 2 - 2] = 0xFF;  // variable column 0 starts past the row
  bad[bad.size() - 1 - 2 - 1] = 0x7F;
  EXPECT_FALSE(splitRow(bad, kFormatJet4, true).ok());
  RowContext ctx{kFormatJet4, 0, none};
  auto values = decodeRow(bad, t, ctx);
  ASSERT_FALSE(values.ok());
  EXPECT_NE(values.error().description.find("column 'a'"), std::string::npos);
  // a variable count larger than the row
  std::vector<std::uint8_t> tiny = {3, 0, 1, 0, 0, 0, 0xFF, 0x7F, 0x07};
  EXPECT_FALSE(decodeRow(tiny, t, ctx).ok());
  EXPECT_FALSE(splitRow(tiny, kFormatJet4, true).ok());
  EXPECT_FALSE(decodeRow(std::vector<std::uint8_t>{}, t, ctx).ok());
  // a fixed column past the row's end
  TableDef wide = t;
  wide.columns[0].fixedOffset = 500;
  EXPECT_FALSE(decodeRow(joinRow(sample(3, {5, 6}), kFormatJet4), wide, ctx).ok());
}

TEST(RowCodec, WidenAddsNullColumnsAndEmptySlots) {
  RowLayout row = sample(3, {2});
  row.widen(12, 4);
  EXPECT_EQ(row.columnCount, 12);
  EXPECT_EQ(row.nullMask.size(), 2u);
  EXPECT_FALSE(row.notNull(11));
  EXPECT_EQ(row.variable.size(), 4u);
  row.setNotNull(11, true);
  EXPECT_TRUE(row.notNull(11));
  row.setNotNull(0, false);
  EXPECT_FALSE(row.notNull(0));
}

// Keeps long-value rows in memory under made-up pointers, and reads values back from them.
class MemoryLongValues : public LongValueStore, public LongValueSource {
 public:
  Result<std::uint32_t> store(std::uint16_t, std::span<const std::uint8_t> row) override {
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

TEST(RowCodec, NewRowsDecodeToTheValuesGiven) {
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

TEST(RowCodec, NewRowBadValuesAreRefusedNamingTheColumn) {
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

TEST(RowCodec, NewRowTooLargeIsRefusedBeforeAnyLongValueIsStored) {
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
