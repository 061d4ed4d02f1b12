// free_space_map_test.cpp: the table's free-space map follows the room on its data pages as
// rows grow until pages fill and shrink until they empty again: a page is listed exactly when a
// row with every column null still fits on it. Bits the map holds for full pages are only a hint:
// the writer checks the page, puts nothing there, and drops the bit.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/row/row_codec.h"
#include "jet/row/table_pages.h"
#include "jet/page/usage_map.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

// A row of the table with every column null, as the writer sizes it.
std::size_t nullRow(const jet::TableStorage& t, bool jet3) {
  std::size_t fixedEnd = 0;
  for (const auto& c : t.def.columns) {
    if (c.fixed()) fixedEnd = std::max(fixedEnd, std::size_t{c.fixedOffset} + c.length);
  }
  jet::RowLayout layout;
  layout.hasVariableTable = t.hasVariableColumns();
  layout.widen(t.maxColumns, t.variableColumns);
  layout.fixed.resize(fixedEnd, 0);
  return jet::joinedSize(layout, jet3 ? jet::kFormatJet3 : jet::kFormatJet4);
}

struct MapState {
  std::size_t pages = 0;       // data pages of the table
  std::size_t full = 0;        // pages where a null row no longer fits
  std::size_t mismatched = 0;  // pages whose bit says otherwise
};

MapState mapState(const std::string& path, const std::string& table) {
  FileView view = openView(path);
  auto t = findTable(view, table);
  EXPECT_TRUE(t.has_value());
  if (!t) return {};
  MapState state;
  jet::UsageMapEditor map(*view.pages, t->free, view.jet3);
  std::size_t minimal = nullRow(*t, view.jet3);
  auto data = jet::tableDataPages(*view.pages, *t, view.format());
  EXPECT_TRUE(data.ok());
  for (auto number : data.ok() ? *data : std::vector<std::uint32_t>{}) {
    auto page = view.pages->read(number);
    bool room = jet::DataPageEditor(*page, view.jet3).fits(minimal);
    ++state.pages;
    if (!room) ++state.full;
    if (*map.contains(number, false) != room) ++state.mismatched;
  }
  return state;
}

// Gives every text column of every row of `table` the value `valueFor(limit)`; rows that would
// grow past the row limit get 10 characters.
void setAll(const std::string& path, const std::string& table,
            const std::function<std::string(std::size_t)>& valueFor) {
  auto db = jet::Database::open(path);
  ASSERT_TRUE(db.ok());
  auto def = (*db)->table(table);
  ASSERT_TRUE(def.ok());
  auto writer = jet::DatabaseWriter::open(path);
  ASSERT_TRUE(writer.ok()) << writer.error().description;
  auto w = (*writer)->table(*def);
  ASSERT_TRUE(w.ok());
  auto scan = (*db)->scan(*def);
  for (jet::Row row; *(*scan)->next(row);) {
    jet::CellChanges changes;
    for (std::size_t i = 0; i < def->columns.size(); ++i) {
      const auto& c = def->columns[i];
      if (c.type != jet::ColumnType::kText || !(*w)->checkColumn(i, jet::Value{}).ok()) continue;
      bool indexed = false;
      for (const auto& index : def->indexes)
        for (const auto& ic : index.columns) indexed = indexed || ic.columnNumber == c.number;
      if (indexed) continue;
      jet::Value v;
      v.isNull = false;
      v.text = valueFor((*writer)->jet3() ? c.length : c.length / 2u);
      changes.emplace_back(i, v);
    }
    jet::Status s = (*writer)->updateRow(**w, row.locator, changes);
    if (s.number() == jet::err::kRowTooLarge) {
      for (auto& change : changes) change.second.text.resize(10, 'r');
      s = (*writer)->updateRow(**w, row.locator, changes);
    }
    ASSERT_TRUE(s.ok()) << s.description();
  }
  ASSERT_TRUE((*writer)->close().ok());
}

struct Case {
  std::string file;
  std::string table;
};

class FreeSpaceMap : public ::testing::TestWithParam<Case> {};

TEST_P(FreeSpaceMap, FollowsTheRoomOnEveryPage) {
  const Case& c = GetParam();
  TempDir dir;
  std::string path = dir.copy(c.file);
  setAll(path, c.table, [](std::size_t limit) { return std::string(limit, 'W'); });
  MapState grown = mapState(path, c.table);
  EXPECT_EQ(grown.mismatched, 0u) << "after growing";
  auto problems = integrityProblems(path);
  EXPECT_TRUE(problems.empty()) << problems.front();

  setAll(path, c.table, [](std::size_t) { return std::string("x"); });
  MapState shrunk = mapState(path, c.table);
  EXPECT_EQ(shrunk.mismatched, 0u) << "after shrinking";
  problems = integrityProblems(path);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

INSTANTIATE_TEST_SUITE_P(Files, FreeSpaceMap,
                         ::testing::Values(Case{"jackcess/V1997/compIndexTestV1997.mdb", "Table1"},
                                           Case{"jackcess/V2003/overflowTestV2003.mdb", "Table1"},
                                           Case{"jackcess/V2010/overflowTestV2010.accdb",
                                                "Table1"}),
                         [](const auto& param) {
                           std::string name =
                               param.param.file.substr(param.param.file.rfind('/') + 1);
                           for (auto& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

std::size_t characters(const std::string& utf8) {
  std::size_t n = 0;
  for (char ch : utf8) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// One writer session on a copy: the table's writer, its rows by slot, and what each text cell
// holds now (the writer's own changes included).
struct Session {
  std::unique_ptr<jet::DatabaseWriter> writer;
  jet::TableWriter* table = nullptr;
  jet::TableDef def;
  std::size_t minimal = 0;
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::string>> texts;

  bool open(const std::string& path, const std::string& name) {
    auto db = jet::Database::open(path);
    auto w = jet::DatabaseWriter::open(path);
    if (!db.ok() || !w.ok()) return false;
    writer = std::move(w).value();
    def = *(*db)->table(name);
    table = *writer->table(def);
    minimal = nullRow(table->table(), writer->jet3());
    auto scan = (*db)->scan(def);
    for (jet::Row row; *(*scan)->next(row);) {
      auto& cells = texts[{row.locator.page, row.locator.row}];
      for (const auto& v : row.values) cells.push_back(v.isNull ? std::string() : v.text);
    }
    return true;
  }
  jet::Page page(std::uint32_t number) { return *writer->pages().read(number); }
  std::size_t freeSpace(std::uint32_t number) {
    jet::Page p = page(number);
    return jet::DataPageEditor(p, writer->jet3()).freeSpace();
  }
  bool listed(std::uint32_t number) {
    jet::UsageMapEditor map(writer->pages(), table->table().free, writer->jet3());
    return *map.contains(number, false);
  }
  // Slots of `number` that hold their row's data themselves.
  std::vector<jet::RowLocator> rowsOn(std::uint32_t number) {
    std::vector<jet::RowLocator> out;
    jet::Page p = page(number);
    jet::DataPageEditor data(p, writer->jet3());
    for (const auto& [slot, cells] : texts) {
      if (slot.first != number) continue;
      if ((data.flags(slot.second) & jet::DataPageEditor::kRowOverflow) == 0)
        out.push_back(jet::RowLocator{slot.first, slot.second});
    }
    return out;
  }
  jet::Status set(jet::RowLocator at, std::size_t column, const std::string& text) {
    jet::Value v;
    v.isNull = false;
    v.text = text;
    jet::Status s = writer->updateRow(*table, at, {{column, v}});
    if (s.ok()) texts[{at.page, at.row}][column] = text;
    return s;
  }
  // Grows text cells of rows on `number`, in place, until a row with every column null no
  // longer fits there.
  bool fill(std::uint32_t number) {
    for (int guard = 0; guard < 2000; ++guard) {
      std::size_t free = freeSpace(number);
      if (free < minimal + 2) return true;
      bool grew = false;
      for (auto at : rowsOn(number)) {
        for (std::size_t i = 0; i < def.columns.size() && !grew; ++i) {
          const auto& c = def.columns[i];
          if (c.type != jet::ColumnType::kText || c.fixed()) continue;
          std::size_t limit = writer->jet3() ? c.length : c.length / 2u;
          const std::string now = texts[{at.page, at.row}][i];
          std::size_t chars = characters(now);
          if (chars >= limit) continue;
          // Jet4 pages are twice as large: a Cyrillic letter takes two bytes there.
          std::size_t width = writer->jet3() ? 1 : 2;
          std::size_t need = (free - (minimal + 2)) / width + 1;
          std::size_t step = std::min(limit - chars, need > 4 ? need - 4 : 1);
          std::string more;
          for (std::size_t k = 0; k < step; ++k) more += writer->jet3() ? "f" : "Ж";
          if (!set(at, i, now + more).ok()) return false;
          grew = true;
        }
        if (grew) break;
      }
      if (!grew) return false;
    }
    return false;
  }
};

std::size_t textColumn(const jet::TableDef& def) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].type == jet::ColumnType::kText && !def.columns[i].fixed()) return i;
  return def.columns.size();
}

// A page that fills loses its bit; one that regains room gets it back.
TEST(FreeSpaceMap, APageThatFillsLeavesTheMapAndComesBack) {
  for (const char* file :
       {"jackcess/V2003/overflowTestV2003.mdb", "jackcess/V1997/compIndexTestV1997.mdb"}) {
    SCOPED_TRACE(file);
    TempDir dir;
    std::string path = dir.copy(file);
    Session s;
    ASSERT_TRUE(s.open(path, "Table1"));
    std::uint32_t page = s.texts.begin()->first.first;
    ASSERT_TRUE(s.fill(page));
    EXPECT_FALSE(s.listed(page)) << "a full page stays in the free-space map";
    for (auto at : s.rowsOn(page)) {  // rows shrink until a null row fits again
      if (s.freeSpace(page) >= s.minimal + 2) break;
      ASSERT_TRUE(s.set(at, textColumn(s.def), "").ok());
    }
    ASSERT_GE(s.freeSpace(page), s.minimal + 2);
    EXPECT_TRUE(s.listed(page)) << "a page with room again is not in the free-space map";
    ASSERT_TRUE(s.fill(page));
    ASSERT_TRUE(s.writer->close().ok());
    s.writer.reset();
    EXPECT_EQ(mapState(path, "Table1").mismatched, 0u);
    auto problems = integrityProblems(path);
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
}

// A stale bit for a full page: the row that must move is not put there, and the bit goes.
TEST(FreeSpaceMap, AFullPageOfferedByTheMapIsCheckedAndDropped) {
  TempDir dir;
  std::string path = dir.copy("jackcess/V1997/compIndexTestV1997.mdb");
  std::uint32_t last = 0;
  {
    Session s;
    ASSERT_TRUE(s.open(path, "Table1"));
    for (const auto& [slot, cells] : s.texts) last = std::max(last, slot.first);
    ASSERT_TRUE(s.fill(last));
    ASSERT_FALSE(s.listed(last));
    jet::UsageMapEditor map(s.writer->pages(), s.table->table().free, s.writer->jet3());
    ASSERT_TRUE(map.set(last, true).ok());
    ASSERT_TRUE(s.writer->close().ok());
  }
  Session s;
  ASSERT_TRUE(s.open(path, "Table1"));
  const std::size_t rowsOnLast = s.rowsOn(last).size();
  ASSERT_TRUE(s.listed(last));
  // Every row of the first page grows until one has to move.
  std::uint32_t first = s.texts.begin()->first.first;
  ASSERT_NE(first, last);
  std::size_t column = textColumn(s.def);
  std::size_t limit = s.def.columns[column].length;
  bool moved = false;
  for (auto at : s.rowsOn(first)) {
    ASSERT_TRUE(s.set(at, column, std::string(limit, 'M')).ok());
    jet::Page p = s.page(first);
    moved = (jet::DataPageEditor(p, true).flags(at.row) & jet::DataPageEditor::kRowOverflow) != 0;
    if (moved) break;
  }
  ASSERT_TRUE(moved) << "no row had to move";
  EXPECT_FALSE(s.listed(last)) << "the full page offered by the map kept its bit";
  EXPECT_EQ(s.rowsOn(last).size(), rowsOnLast);
  ASSERT_TRUE(s.writer->close().ok());
  s.writer.reset();
  auto problems = integrityProblems(path);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

// The check sees a free-space map offering a page the table does not own.
TEST(FreeSpaceMap, TheCheckReportsAPageTheTableDoesNotOwn) {
  TempDir dir;
  std::string path = dir.copy("jackcess/V2003/overflowTestV2003.mdb");
  std::uint32_t foreign = 0;
  {
    Session s;
    ASSERT_TRUE(s.open(path, "Table1"));
    foreign = s.def.tdefPage;
    jet::UsageMapEditor map(s.writer->pages(), s.table->table().free, s.writer->jet3());
    ASSERT_TRUE(map.set(foreign, true).ok());
    ASSERT_TRUE(s.writer->close().ok());
  }
  auto problems = integrityProblems(path);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems.front().find("page " + std::to_string(foreign) + " is in the free-space map"),
            std::string::npos)
      << problems.front();
}

}  // namespace
