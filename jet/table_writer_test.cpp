// table_writer_test.cpp: row updates on a table built in memory: rows that grow in place, move
// behind an overflow pointer, move again, come back small; rows beyond the format's size; memo
// values in each long-value form. Both formats.
#include "jet/table_writer.h"

#include <gtest/gtest.h>

#include "jet/core/error_codes.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/pager/memory_page_source.h"
#include "jet/row/row_codec.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kTdef = 2;

Bytes inlineMap(std::uint32_t bitmapBytes) {
  Bytes row(5 + bitmapBytes, 0);
  return row;
}

// A table (definition at page 2, rows on page 3) of `texts` Text(255) columns and one memo.
// Page 1 holds the global map (row 0), the owned map (row 1) and the free-space map (row 2).
struct Fixture {
  explicit Fixture(bool jet3Format, std::size_t texts, std::size_t rows, std::size_t filler)
      : jet3(jet3Format),
        format(jet3 ? kFormatJet3 : kFormatJet4),
        source(jet3 ? 2048 : 4096, 4), cache(source), allocator(cache, jet3) {
    Page& maps = source.page(1);
    DataPageEditor::initialise(maps, jet3, 0, false);
    Bytes global = inlineMap(64);
    for (std::uint32_t i = 4; i < 512; ++i)
      global[5 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    Bytes owned = inlineMap(64);
    owned[5] = 0x08;
    DataPageEditor m(maps, jet3);
    EXPECT_TRUE(m.append(global, 0));
    EXPECT_TRUE(m.append(owned, 0));
    EXPECT_TRUE(m.append(owned, 0));
    storage.def.name = "People";
    storage.def.tdefPage = kTdef;
    for (std::size_t i = 0; i < texts; ++i) {
      Column c;
      c.name = "T" + std::to_string(i);
      c.type = ColumnType::kText;
      c.number = static_cast<std::uint16_t>(i);
      c.varIndex = static_cast<std::uint16_t>(i);
      c.length = jet3 ? 255 : 510;
      c.extraFlags = 0x01;  // compressed unicode
      storage.def.columns.push_back(c);
    }
    Column memo;
    memo.name = "Notes";
    memo.type = ColumnType::kMemo;
    memo.number = static_cast<std::uint16_t>(texts);
    memo.varIndex = static_cast<std::uint16_t>(texts);
    storage.def.columns.push_back(memo);
    storage.maxColumns = static_cast<std::uint16_t>(texts + 1);
    storage.variableColumns = static_cast<std::uint16_t>(texts + 1);
    storage.owned = MapRef{1, 1};
    storage.free = MapRef{1, 2};
    Page& data = source.page(3);
    DataPageEditor::initialise(data, jet3, kTdef, false);
    DataPageEditor d(data, jet3);
    RowLayout row;
    row.columnCount = storage.maxColumns;
    row.nullMask.assign((row.columnCount + 7u) / 8u, 0);
    row.variable.resize(storage.variableColumns);
    for (std::size_t i = 0; i < rows; ++i) EXPECT_TRUE(d.append(joinRow(row, format), 0));
    if (filler > 0) {
      EXPECT_TRUE(d.append(Bytes(filler, 0xEE), DataPageEditor::kRowDeleted));
    }
    writer = std::make_unique<TableWriter>(cache, allocator, storage, format, 1252, "test.mdb");
  }

  // The row's bytes, following an overflow pointer.
  RowLayout read(RowLocator at) {
    Page page = *cache.read(at.page);
    DataPageEditor d(page, jet3);
    auto bytes = d.rowBytes(at.row);
    if ((d.flags(at.row) & DataPageEditor::kRowOverflow) != 0) {
      std::uint32_t target =
          static_cast<std::uint32_t>(bytes[1] | (bytes[2] << 8) | (bytes[3] << 16));
      return read2(target, bytes[0]);
    }
    return *splitRow(bytes, format, true);
  }
  RowLayout read2(std::uint32_t pageNumber, std::size_t row) {
    Page page = *cache.read(pageNumber);
    DataPageEditor d(page, jet3);
    EXPECT_EQ(d.flags(row), DataPageEditor::kRowDeleted);  // moved data hides from scans
    return *splitRow(d.rowBytes(row), format, true);
  }
  bool overflowed(RowLocator at) {
    Page page = *cache.read(at.page);
    return (DataPageEditor(page, jet3).flags(at.row) & DataPageEditor::kRowOverflow) != 0;
  }

  bool jet3;
  const Format& format;
  MemoryPageSource source;
  PageCache cache;
  PageAllocator allocator;
  TableStorage storage;
  std::unique_ptr<TableWriter> writer;
};

Value text(std::string s) {
  Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}

TEST(TableWriter, RowsGrowMoveMoveAgainAndShrinkBack) {
  for (bool jet3 : {true, false}) {
    SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
    std::size_t page = jet3 ? 2048 : 4096;
    Fixture f(jet3, 8, 3, page - 400);  // page 3 nearly full
    RowLocator row1{3, 1};
    ASSERT_TRUE(f.writer->updateRow(row1, {{0, text("short")}}).ok());
    EXPECT_FALSE(f.overflowed(row1));
    ASSERT_TRUE(
        f.writer
            ->updateRow(row1, {{1, text(std::string(200, 'b'))}, {2, text(std::string(200, 'c'))}})
            .ok());
    EXPECT_TRUE(f.overflowed(row1));
    RowLayout moved = f.read(row1);
    EXPECT_EQ(moved.variable[0].size(), jet3 ? 5u : 7u);
    EXPECT_EQ(moved.variable[1].size(), jet3 ? 200u : 202u);  // compressed: FF FE + one byte each
    // Grows again past what the overflow page has left: moves again, pointer rewritten.
    Value big = text(std::string(240, 'x'));
    CellChanges all;
    for (std::size_t i = 0; i < 8; ++i) all.emplace_back(i, big);
    ASSERT_TRUE(f.writer->updateRow(row1, all).ok());
    EXPECT_TRUE(f.overflowed(row1));
    EXPECT_EQ(f.read(row1).variable[7].size(), jet3 ? 240u : 242u);
    // Shrinks: stays where the data is.
    ASSERT_TRUE(f.writer->updateRow(row1, {{0, text("")}}).ok());
    EXPECT_TRUE(f.read(row1).variable[0].empty());
    EXPECT_TRUE(f.read(row1).notNull(0));
    // Other rows untouched; the owned map lists the new pages.
    EXPECT_TRUE(f.read(RowLocator{3, 0}).variable[0].empty());
    auto owned = UsageMapEditor(f.cache, MapRef{1, 1}, jet3).pages();
    EXPECT_GE(owned->size(), 2u);
  }
}

TEST(TableWriter, RowsBeyondTheFormatsSizeAreRefusedUnchanged) {
  for (bool jet3 : {true, false}) {
    Fixture f(jet3, 20, 1, 0);
    CellChanges all;
    // Greek letters: two bytes each in UCS-2 (not compressible); Jet3 code page 1252 has none,
    // so use Latin-1 letters there (one byte each).
    for (std::size_t i = 0; i < 20; ++i)
      all.emplace_back(i, text(jet3 ? std::string(250, 'e') : std::string(500, 'x')));
    if (!jet3) {
      std::string greek;
      for (int k = 0; k < 250; ++k) greek += "\xCE\xA9";
      for (auto& c : all) c.second = text(greek);
    }
    Status s = f.writer->updateRow(RowLocator{3, 0}, all);
    EXPECT_EQ(s.number(), err::kRowTooLarge) << s.description();
    EXPECT_NE(s.description().find("People"), std::string::npos);
    EXPECT_TRUE(f.cache.changes().empty());
  }
}

TEST(TableWriter, MemoValuesTakeEachLongValueForm) {
  for (bool jet3 : {true, false}) {
    SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
    Fixture f(jet3, 2, 3, 0);
    std::size_t memo = 2;
    ASSERT_TRUE(f.writer->updateRow(RowLocator{3, 0}, {{memo, text("tiny")}}).ok());
    ASSERT_TRUE(f.writer->updateRow(RowLocator{3, 1}, {{memo, text(std::string(1500, 'm'))}}).ok());
    ASSERT_TRUE(
        f.writer->updateRow(RowLocator{3, 2}, {{memo, text(std::string(30000, 'z'))}}).ok());
    auto head = [&](std::size_t row) {
      RowLayout layout = f.read(RowLocator{3, static_cast<std::uint16_t>(row)});
      const auto& d = layout.variable[memo];
      return d.size() >= 4 ? d[3] : 0xFF;
    };
    EXPECT_EQ(head(0) & 0xC0, 0x80);  // inline
    EXPECT_EQ(head(1) & 0xC0, 0x40);  // one long-value row
    EXPECT_EQ(head(2) & 0xC0, 0x00);  // a chain
    // Replacing a stored value frees its old rows.
    ASSERT_TRUE(f.writer->updateRow(RowLocator{3, 1}, {{memo, text("again")}}).ok());
    EXPECT_EQ(head(1) & 0xC0, 0x80);
  }
}

TEST(TableWriter, NullsAndUnknownColumns) {
  Fixture f(false, 2, 1, 0);
  Value null;
  ASSERT_TRUE(f.writer->updateRow(RowLocator{3, 0}, {{0, text("a")}}).ok());
  ASSERT_TRUE(f.writer->updateRow(RowLocator{3, 0}, {{0, null}}).ok());
  EXPECT_FALSE(f.read(RowLocator{3, 0}).notNull(0));
  EXPECT_EQ(f.writer->updateRow(RowLocator{3, 0}, {{9, text("a")}}).number(), err::kNoSuchColumn);
  EXPECT_FALSE(f.writer->updateRow(RowLocator{3, 7}, {{0, text("a")}}).ok());  // no such row
}

}  // namespace
}  // namespace jet
