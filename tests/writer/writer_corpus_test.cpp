// writer_corpus_test.cpp: differential write tests: text and memo cells of real files of every
// version shrink, grow in place, grow past the page, become long values and page chains, gain
// non-Latin characters, become empty or null, twice over; both oracles then read every cell of the
// table and the integrity check passes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/database.h"
#include "jet/database_writer.h"
#include "jet/core/error_codes.h"
#include "jet/row/row_codec.h"
#include "jet/row/table_pages.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

struct Case {
  std::string file;
  std::string table;
  std::size_t pagesPerCommit = 256;  // small values split the run into many commits
};

std::string repeat(const std::string& unit, std::size_t chars) {
  std::string out;
  while (out.size() < chars) out += unit;
  return out.substr(0, chars);
}

// The value row `row` of pass `pass` gets in a column holding at most `limit` characters
// (0: memo). ASCII except for the non-Latin case, so sizes are easy to reason about.
std::optional<std::string> textFor(std::size_t row, int pass, std::size_t limit, bool jet3) {
  std::size_t k = (row + static_cast<std::size_t>(pass) * 3) % 6;
  bool memo = limit == 0;
  switch (k) {
    case 0:
      return std::string("x");
    case 1:
      return repeat("grown ", memo ? 3000 : std::min<std::size_t>(limit, 40));
    case 2: {
      // Jet3 text lives in the file's code page (1252 here): Latin-1 letters only.
      std::string text = jet3 ? "Größe café" : "Ωμέγα Жук 漢字 ✓";
      if (!memo && limit < 14) {
        text.clear();
        for (std::size_t i = 0; i < limit; ++i) text += "é";
      }
      return text;
    }
    case 3:
      return std::string();
    case 4:
      return repeat("Wide", memo ? 20000 : limit);
    default:
      return std::nullopt;
  }
}

class WriterCorpus : public ::testing::TestWithParam<Case> {};

TEST_P(WriterCorpus, ChangedCellsReadBackEverywhere) {
  if (!haveOracles()) GTEST_SKIP() << "node, mdbtools or mdb-reader missing";
  const Case& c = GetParam();
  TempDir dir;
  std::string before = dir.copy(c.file);
  std::string after = dir.path("changed-" + c.file.substr(c.file.rfind('/') + 1));
  std::filesystem::copy_file(before, after);
  std::string expect = "{\"cells\":[";
  std::vector<std::pair<jet::RowLocator, jet::CellChanges>> byLocator;
  bool first = true;
  for (int pass = 0; pass < 2; ++pass) {
    jet::WriterOptions options;
    options.pagesPerCommit = c.pagesPerCommit;
    auto writer = jet::DatabaseWriter::open(after, options);
    ASSERT_TRUE(writer.ok()) << writer.error().description;
    auto& w = **writer;
    // Pass 0 finds the table and its rows through the writer's own walk; pass 1 through the
    // reader (catalogue, definition, scan), as the replacement run does.
    jet::TableWriter* table = nullptr;
    std::vector<jet::RowLocator> rows;
    if (pass == 0) {
      auto tables = jet::localTables(w.pages(), jet::formatFor(w.version()));
      ASSERT_TRUE(tables.ok());
      std::uint32_t tdef = 0;
      for (const auto& t : *tables)
        if (t.name == c.table) tdef = t.tdefPage;
      ASSERT_NE(tdef, 0u) << c.table;
      auto found = w.table(tdef, c.table);
      ASSERT_TRUE(found.ok()) << found.error().description;
      table = *found;
      rows = *jet::tableRowLocators(w.pages(), table->table(), jet::formatFor(w.version()));
    } else {
      auto db = jet::Database::open(after);
      ASSERT_TRUE(db.ok()) << db.error().description;
      auto def = (*db)->table(c.table);
      ASSERT_TRUE(def.ok()) << def.error().description;
      auto found = w.table(*def);
      ASSERT_TRUE(found.ok()) << found.error().description;
      table = *found;
      auto scan = (*db)->scan(*def);
      ASSERT_TRUE(scan.ok());
      jet::Row row;
      while (*(*scan)->next(row)) rows.push_back(row.locator);
    }
    ASSERT_FALSE(rows.empty());
    const auto& columns = table->table().def.columns;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      jet::CellChanges changes;
      for (std::size_t i = 0; i < columns.size(); ++i) {
        jet::Value probe;
        bool textual =
            columns[i].type == jet::ColumnType::kText || columns[i].type == jet::ColumnType::kMemo;
        if (!textual || !table->checkColumn(i, probe).ok()) continue;
        // Indexed columns take distinct values in index_write_test; here they would collide.
        bool indexed = false;
        for (const auto& index : table->table().def.indexes) {
          for (const auto& ic : index.columns) indexed = indexed || ic.columnNumber == columns[i].number;
        }
        if (indexed) continue;
        std::size_t limit = columns[i].type == jet::ColumnType::kMemo
                                ? 0
                                : (w.jet3() ? columns[i].length : columns[i].length / 2u);
        auto text = textFor(r + i, pass, limit, w.jet3());
        jet::Value v;
        v.isNull = !text.has_value();
        v.text = text.value_or("");
        changes.emplace_back(i, v);
      }
      ASSERT_FALSE(changes.empty()) << "no writable column in " << c.table;
      jet::Status s = w.updateRow(*table, rows[r], changes);
      if (s.number() == jet::err::kRowTooLarge) {
        // Every text column at its limit can exceed a row; nothing of the row changed then.
        for (auto& change : changes) change.second.text = change.second.text.substr(0, 10);
        s = w.updateRow(*table, rows[r], changes);
      }
      ASSERT_TRUE(s.ok()) << s.description();
      if (pass == 1) {
        byLocator.emplace_back(rows[r], changes);
        for (const auto& [i, v] : changes) {
          expect += std::string(first ? "" : ",") + "[" + std::to_string(r) + "," +
                    jsonString(columns[i].name) + "," + (v.isNull ? "null" : jsonString(v.text)) +
                    "]";
          first = false;
        }
      }
    }
    ASSERT_TRUE(w.flush().ok());
  }
  expect += "]}";
  auto problems = integrityProblems(after);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(oracleDifferences(before, after, c.table, expect), "");
  // The engine reads every changed cell back at its row's locator.
  auto db = jet::Database::open(after);
  ASSERT_TRUE(db.ok()) << db.error().description;
  auto def = (*db)->table(c.table);
  ASSERT_TRUE(def.ok());
  for (const auto& [where, changes] : byLocator) {
    auto row = (*db)->readRow(*def, where);
    ASSERT_TRUE(row.ok()) << row.error().description;
    for (const auto& [i, v] : changes) {
      EXPECT_EQ(row->values[i].isNull, v.isNull) << def->columns[i].name;
      if (!v.isNull) {
        EXPECT_EQ(row->values[i].text, v.text) << def->columns[i].name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WriterCorpus,
    ::testing::Values(Case{"jackcess/V1997/overflowTestV1997.mdb", "Table1"},
                      Case{"jackcess/V1997/test2V1997.mdb", "MSP_PROJECTS"},
                      Case{"jackcess-encrypt/db97-enc.mdb", "Table1"},
                      Case{"jackcess/V2003/overflowTestV2003.mdb", "Table1"},
                      Case{"jackcess-encrypt/db-enc.mdb", "Table1"},
                      Case{"jackcess/V2003/test2V2003.mdb", "MSP_PROJECTS"},
                      Case{"jackcess/V2007/overflowTestV2007.accdb", "Table1"},
                      Case{"mdb-reader/real/ASampleDatabase.accdb", "Asset Items"},
                      Case{"jackcess/V2010/overflowTestV2010.accdb", "Table1"},
                      Case{"ucanaccess/functionsV2016.accdb", "t_funcs"},
                      Case{"jackcess/V2019/extDateTestV2019.accdb", "Table1"},
                      // 512 rows over many pages, committed every few pages.
                      Case{"jackcess/V1997/compIndexTestV1997.mdb", "Table1", 3}),
    [](const auto& param) {
      std::string name = param.param.file.substr(param.param.file.rfind('/') + 1);
      if (param.param.pagesPerCommit != 256) name += "_batched";
      for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// Splitting and joining every row of every table keeps every part: Jet3 jump tables and Jet4
// variable tables are rebuilt so that they read back the same.
TEST(RowLayout, EveryCorpusRowRoundTrips) {
  for (const char* file :
       {"jackcess/V1997/testIndexCodesV1997.mdb", "jackcess/V1997/test2V1997.mdb",
        "jackcess/V2003/testV2003.mdb", "jackcess/V2003/testUnicodeCompV2003.mdb",
        "jackcess/V2010/testV2010.accdb", "mdb-reader/real/ASampleDatabase.accdb"}) {
    FileView view = openView(corpus(file));
    const jet::Format& format = view.format();
    auto tables = jet::localTables(*view.pages, view.format());
    ASSERT_TRUE(tables.ok()) << file;
    std::size_t checked = 0;
    for (const auto& t : *tables) {
      auto storage = jet::readTableStorage(*view.pages, t.tdefPage, view.format(), t.name);
      ASSERT_TRUE(storage.ok()) << file << " " << t.name;
      auto rows = jet::tableRowLocators(*view.pages, *storage, view.format());
      ASSERT_TRUE(rows.ok());
      for (auto at : *rows) {
        auto page = view.pages->read(at.page);
        jet::DataPageEditor data(*page, view.jet3);
        if ((data.flags(at.row) & jet::DataPageEditor::kRowOverflow) != 0) continue;
        auto bytes = data.rowBytes(at.row);
        auto layout = jet::splitRow(bytes, format, storage->hasVariableColumns());
        ASSERT_TRUE(layout.ok()) << file << " " << t.name;
        // Access may leave slack after a row's data, which joining drops; the parts must survive.
        auto joined = jet::joinRow(*layout, format);
        auto again = jet::splitRow(joined, format, storage->hasVariableColumns());
        ASSERT_TRUE(again.ok()) << file << " " << t.name;
        EXPECT_EQ(again->fixed, layout->fixed) << file << " " << t.name << " page " << at.page;
        EXPECT_EQ(again->variable, layout->variable)
            << file << " " << t.name << " page " << at.page;
        EXPECT_EQ(again->nullMask, layout->nullMask)
            << file << " " << t.name << " page " << at.page;
        EXPECT_LE(joined.size(), bytes.size());
        ++checked;
      }
    }
    EXPECT_GT(checked, 0u) << file;
  }
}

// The writer reads a table's definition through its page cache; it must see what the reader
// sees: the same columns in the same order, indexes, usage maps and definition pages.
TEST(TableStorage, WriterSeesTheDefinitionTheReaderSees) {
  for (const char* file : {"jackcess/V1997/test2V1997.mdb", "jackcess/V2003/testV2003.mdb",
                           "jackcess/V2010/testV2010.accdb"}) {
    FileView view = openView(corpus(file));
    auto db = jet::Database::open(corpus(file));
    ASSERT_TRUE(db.ok()) << db.error().description;
    auto tables = jet::localTables(*view.pages, view.format());
    ASSERT_TRUE(tables.ok()) << file;
    ASSERT_FALSE(tables->empty()) << file;
    for (const auto& t : *tables) {
      auto storage = jet::readTableStorage(*view.pages, t.tdefPage, view.format(), t.name);
      ASSERT_TRUE(storage.ok()) << storage.error().description;
      auto def = (*db)->table(t.name);
      ASSERT_TRUE(def.ok()) << def.error().description;
      const jet::TableDef& w = storage->def;
      ASSERT_EQ(w.columns.size(), def->columns.size()) << file << " " << t.name;
      for (std::size_t i = 0; i < w.columns.size(); ++i) {
        EXPECT_EQ(w.columns[i].name, def->columns[i].name) << file << " " << t.name;
        EXPECT_EQ(w.columns[i].number, def->columns[i].number) << file << " " << t.name;
        EXPECT_EQ(w.columns[i].varIndex, def->columns[i].varIndex) << file << " " << t.name;
      }
      EXPECT_EQ(w.indexes.size(), def->indexes.size()) << file << " " << t.name;
      EXPECT_EQ(w.tdefPages, def->tdefPages) << file << " " << t.name;
      EXPECT_EQ(storage->owned.page, def->ownedMap >> 8) << file << " " << t.name;
      EXPECT_EQ(storage->longValueMaps.size(), def->longValueMaps.size()) << file << " " << t.name;
      EXPECT_EQ(storage->maxColumns, def->maxColumns) << file << " " << t.name;
    }
  }
}

TEST(IntegrityCheck, AccessMadeFilesPass) {
  for (const char* file :
       {"jackcess/V1997/test2V1997.mdb", "jackcess/V2003/test2V2003.mdb",
        "jackcess/V2007/overflowTestV2007.accdb", "jackcess/V2010/testV2010.accdb",
        "mdb-reader/real/ASampleDatabase.accdb"}) {
    auto problems = integrityProblems(corpus(file));
    EXPECT_TRUE(problems.empty()) << file << ": " << problems.front();
  }
}

// The check must see damage, not only pass: a table's page marked free in the global map.
TEST(IntegrityCheck, ReportsDamage) {
  TempDir dir;
  std::string path = dir.copy("jackcess/V2003/test2V2003.mdb");
  std::uint32_t dataPage = 0;
  {
    FileView view = openView(path);
    auto table = findTable(view, "MSP_PROJECTS");
    ASSERT_TRUE(table.has_value());
    dataPage = jet::tableDataPages(*view.pages, *table, view.format())->front();
  }
  auto bytes = fileBytes(path);
  // Page 1, row 0 is the global map: type, start page, then the bitmap (bit set = free).
  std::size_t row0 = (bytes[4096 + 14] | (bytes[4096 + 15] << 8)) & 0x1FFF;
  bytes[4096 + row0 + 5 + dataPage / 8] |= static_cast<std::uint8_t>(1u << (dataPage % 8));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  auto problems = integrityProblems(path);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems.front().find("page " + std::to_string(dataPage)), std::string::npos)
      << problems.front();
  EXPECT_NE(problems.front().find("free"), std::string::npos);
}

}  // namespace
