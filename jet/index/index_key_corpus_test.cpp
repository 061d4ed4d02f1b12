// index_key_corpus_test.cpp: rebuilds the key of every row of every index in Access-made files
// and compares them with the keys Access stored in the index leaves. Row values come from the
// independent reader mdb-reader (tools/oracle/rows.mjs); table definitions are read here with a
// minimal parser of their own, so that this test does not depend on the engine's reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/core/text_codec.h"
#include "jet/core/test_corpus.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le(const Bytes& b, std::size_t at, std::size_t n) {
  std::uint32_t v = 0;
  for (std::size_t i = n; i-- > 0;) v = (v << 8) | b.at(at + i);
  return v;
}

struct File {
  Bytes bytes;
  Version version = Version::kJet4;
  std::uint32_t pageSize = 4096;

  Bytes page(std::uint32_t n) const {
    std::size_t at = std::size_t{n} * pageSize;
    if (at + pageSize > bytes.size()) return {};
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + pageSize));
  }
};

File loadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  File f;
  f.bytes.assign(std::istreambuf_iterator<char>(in), {});
  f.version = static_cast<Version>(f.bytes.at(0x14));
  f.pageSize = f.version == Version::kJet3 ? 2048 : 4096;
  return f;
}

struct TdefColumn {
  std::string name;
  ColumnType type = ColumnType::kText;
  std::uint16_t number = 0;
  std::uint16_t sortOrder = 0;
  std::uint8_t sortOrderVersion = 0;
};

struct TdefIndex {
  std::vector<std::pair<std::uint16_t, bool>> columns;  // column number, ascending
  std::uint32_t rootPage = 0;
  bool ignoreNulls = false;
};

struct Tdef {
  std::vector<TdefColumn> columns;
  std::vector<TdefIndex> indexes;
};

// The table definition pages concatenated (later pages without their 8-byte header).
Bytes tdefBytes(const File& f, std::uint32_t first) {
  Bytes all = f.page(first);
  if (all.empty()) return all;
  std::uint32_t next = le(all, 4, 4);
  for (int guard = 0; next != 0 && guard < 64; ++guard) {
    const std::size_t at = std::size_t{next} * f.pageSize;
    if (at + f.pageSize > f.bytes.size()) break;
    const auto* p = f.bytes.data() + at;
    all.insert(all.end(), p + 8, p + f.pageSize);
    next = static_cast<std::uint32_t>(p[4] | p[5] << 8 | p[6] << 16 | p[7] << 24);
  }
  return all;
}

Tdef readTdef(const File& f, std::uint32_t page) {
  const bool jet3 = f.version == Version::kJet3;
  Bytes b = tdefBytes(f, page);
  Tdef t;
  const std::size_t numCols = le(b, jet3 ? 25 : 45, 2);
  const std::size_t numIndexes = le(b, jet3 ? 31 : 51, 4);
  std::size_t at = (jet3 ? 43 : 63) + numIndexes * (jet3 ? 8 : 12);
  const std::size_t descSize = jet3 ? 18 : 25;
  for (std::size_t i = 0; i < numCols; ++i, at += descSize) {
    TdefColumn c;
    c.type = static_cast<ColumnType>(b.at(at));
    c.number = static_cast<std::uint16_t>(le(b, at + (jet3 ? 1 : 5), 2));
    c.sortOrder = static_cast<std::uint16_t>(le(b, at + (jet3 ? 9 : 11), 2));
    c.sortOrderVersion = jet3 ? 0 : b.at(at + 14);
    t.columns.push_back(c);
  }
  for (auto& c : t.columns) {
    std::size_t len = le(b, at, jet3 ? 1 : 2);
    at += jet3 ? 1 : 2;
    std::span<const std::uint8_t> raw(b.data() + at, len);
    c.name = jet3 ? decodeCodePage(raw, 1252) : decodeUcs2Text(raw);
    at += len;
  }
  for (std::size_t i = 0; i < numIndexes; ++i) {
    std::size_t p = at + (jet3 ? 0 : 4);
    TdefIndex idx;
    for (int k = 0; k < 10; ++k, p += 3) {
      std::uint32_t number = le(b, p, 2);
      if (number != 0xFFFF) idx.columns.emplace_back(number, (b.at(p + 2) & 0x01) != 0);
    }
    idx.rootPage = le(b, p + 4, 4);
    idx.ignoreNulls = (b.at(p + (jet3 ? 8 : 12)) & 0x02) != 0;
    t.indexes.push_back(idx);
    at += jet3 ? 39 : 52;
  }
  return t;
}

struct OracleTable {
  std::string name;
  std::uint32_t tdefPage = 0;
  std::vector<std::string> types;
  std::vector<int> scales;
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> rows;  // cell lines
  bool error = false;
};

std::string unhex(const std::string& h) {
  std::string s;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
    s.push_back(static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16)));
  }
  return s;
}

std::vector<OracleTable> runOracle(const std::string& path) {
  std::string cmd = "node " FIELDMEND_SOURCE_DIR "/tools/oracle/rows.mjs '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
  std::vector<OracleTable> tables;
  if (!pipe) return tables;
  std::string out;
  char buf[65536];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) out.append(buf, n);
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream tok(line);
    std::string word;
    tok >> word;
    if (word == "table") {
      OracleTable t;
      std::size_t cols = 0;
      std::string name;
      tok >> t.tdefPage >> cols >> name;
      t.name = unhex(name);
      tables.push_back(t);
    } else if (word == "column") {
      std::string type, name;
      int scale = 0;
      tok >> type >> scale >> name;
      tables.back().types.push_back(type);
      tables.back().scales.push_back(scale);
      tables.back().names.push_back(unhex(name));
    } else if (word == "row") {
      tables.back().rows.emplace_back();
    } else if (word == "error") {
      tables.back().error = true;
    } else {
      tables.back().rows.back().push_back(line);
    }
  }
  return tables;
}

// "12.3400" -> 123400 for currency.
std::int64_t scaled(const std::string& s, int scale) {
  std::int64_t v = 0;
  int frac = -1;
  bool neg = false;
  for (char c : s) {
    if (c == '-')
      neg = true;
    else if (c == '.')
      frac = 0;
    else if (frac < scale) {
      v = v * 10 + (c - '0');
      if (frac >= 0) ++frac;
    }
  }
  for (int f = std::max(frac, 0); f < scale; ++f) v *= 10;
  return neg ? -v : v;
}

// mdb-reader gives date/time rounded to the millisecond, so the test compares date keys at that
// precision: stored keys are decoded, rounded the same way and encoded again.
double msToDays(double ms) { return ms / 86400000.0 + 25569.0; }

Bytes roundedDateKey(const Bytes& key, bool ascending) {
  if (key.size() != 9) return key;  // null
  Bytes b(key.begin() + 1, key.end());
  if (!ascending)
    for (auto& x : b) x = static_cast<std::uint8_t>(~x);
  if (b[0] & 0x80) {
    b[0] ^= 0x80;
  } else {
    for (auto& x : b) x = static_cast<std::uint8_t>(~x);
  }
  std::uint64_t bits = 0;
  for (auto x : b) bits = (bits << 8) | x;
  const double days = std::bit_cast<double>(bits);
  KeyPart p;
  p.type = ColumnType::kDateTime;
  p.ascending = ascending;
  p.value.isNull = false;
  p.value.real = msToDays(std::round((days - 25569.0) * 86400000.0));
  return *encodeIndexKey({p});
}

Value toValue(const std::string& cell, const std::string& type, bool jet3) {
  Value v;
  if (cell == "n" || cell == "o") return v;
  v.isNull = false;
  const std::string payload = cell.size() > 2 ? cell.substr(2) : "";
  switch (cell[0]) {
    case 'b':
      v.boolean = payload == "1";
      break;
    case 'd':
      v.real = std::stod(payload);
      v.integer = static_cast<std::int64_t>(v.real);
      break;
    case 't':
      v.real = msToDays(std::stod(payload));
      break;
    case 'x':
      for (char c : unhex(payload)) v.bytes.push_back(static_cast<std::uint8_t>(c));
      break;
    case 's':
      v.text = unhex(payload);
      // Bytes that Windows-1252 leaves undefined reach us as U+FFFD; Access keys them as the
      // control characters U+0081 etc., which share one code, so use U+0081.
      if (jet3) {
        for (std::size_t at; (at = v.text.find("\xEF\xBF\xBD")) != std::string::npos;) {
          v.text.replace(at, 3, "\xC2\x81");
        }
      }
      if (type == "currency") v.integer = scaled(v.text, 4);
      if (type == "bigint") v.integer = std::stoll(v.text);
      if (type == "datetimextended" && v.text.size() == 29) {
        // mdb-reader: "YYYY.MM.DD HH:MM:SS.fffffffff" -> "YYYY-MM-DDTHH:MM:SS.fffffff"
        v.text = v.text.substr(0, 4) + "-" + v.text.substr(5, 2) + "-" + v.text.substr(8, 2) + "T" +
                 v.text.substr(11, 16);
      }
      break;
  }
  return v;
}

struct Tally {
  std::size_t compared = 0;
  std::size_t mismatched = 0;
  std::size_t skippedIndexes = 0;
  std::map<std::string, std::size_t> textKeys;  // keys with a text part, by sort order
};

std::string hexOf(const Bytes& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (auto x : b) {
    s.push_back(d[x >> 4]);
    s.push_back(d[x & 15]);
  }
  return s;
}

// Compares one index: the sorted keys of all rows against the keys in the leaves, in order.
void checkIndex(const File& f, const Tdef& tdef, const TdefIndex& idx, const OracleTable& table,
                Tally& tally) {
  std::vector<std::pair<std::size_t, const TdefColumn*>> cols;  // oracle column, tdef column
  for (auto [number, asc] : idx.columns) {
    auto c = std::find_if(tdef.columns.begin(), tdef.columns.end(),
                          [&](const TdefColumn& tc) { return tc.number == number; });
    auto o = c == tdef.columns.end() ? table.names.end()
                                     : std::find(table.names.begin(), table.names.end(), c->name);
    // mdb-reader gives a complex column's attachments, not the id its index keys hold
    if (o == table.names.end() || c->type == ColumnType::kComplex) {
      ++tally.skippedIndexes;
      return;
    }
    cols.emplace_back(static_cast<std::size_t>(o - table.names.begin()), &*c);
  }
  std::vector<Bytes> expected;
  for (const auto& row : table.rows) {
    std::vector<KeyPart> parts;
    for (std::size_t k = 0; k < cols.size(); ++k) {
      auto [o, c] = cols[k];
      KeyPart p;
      p.type = c->type;
      p.ascending = idx.columns[k].second;
      p.version = f.version;
      p.scale = static_cast<std::uint8_t>(table.scales[o]);
      p.column = c->name;
      p.value = toValue(row[o], table.types[o], f.version == Version::kJet3);
      if (c->type == ColumnType::kText || c->type == ColumnType::kMemo) {
        auto order = textSortOrderOf(f.version, c->sortOrder, c->sortOrderVersion, c->name);
        ASSERT_TRUE(order.ok()) << order.error().description;
        p.sortOrder = *order;
      }
      parts.push_back(std::move(p));
    }
    if (idx.ignoreNulls &&
        std::all_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.value.isNull; })) {
      continue;  // an index that ignores nulls has no entry for an all-null key
    }
    auto key = encodeIndexKey(parts);
    ASSERT_TRUE(key.ok()) << key.error().description;
    expected.push_back(std::move(*key));
  }
  std::vector<Bytes> stored;
  const bool datedOnly = cols.size() == 1 && cols[0].second->type == ColumnType::kDateTime;
  const bool asc0 = idx.columns[0].second;
  IndexPageReader read = [&](std::uint32_t n, Bytes& out) -> Status {
    out = f.page(n);
    return Status::success();
  };
  Status s = forEachLeafEntry(read, formatFor(f.version), idx.rootPage,
                              static_cast<std::uint32_t>(f.bytes.size() / f.pageSize),
                              [&](const IndexEntry& e) {
                                stored.push_back(e.key);
                                if (datedOnly) stored.back() = roundedDateKey(e.key, asc0);
                                return Status::success();
                              });
  ASSERT_TRUE(s.ok()) << table.name << ": " << s.description();
  EXPECT_TRUE(std::is_sorted(stored.begin(), stored.end())) << table.name;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected.size(), stored.size()) << table.name;
  std::vector<Bytes> missing, extra;
  std::set_difference(expected.begin(), expected.end(), stored.begin(), stored.end(),
                      std::back_inserter(missing));
  std::set_difference(stored.begin(), stored.end(), expected.begin(), expected.end(),
                      std::back_inserter(extra));
  tally.compared += expected.size();
  for (const auto& [o, c] : cols) {
    if (c->type == ColumnType::kText || c->type == ColumnType::kMemo) {
      auto order = textSortOrderOf(f.version, c->sortOrder, c->sortOrderVersion, c->name);
      tally.textKeys[std::string(textSortOrderName(*order))] += expected.size();
      break;
    }
  }
  tally.mismatched += missing.size();
  for (std::size_t i = 0; i < std::min<std::size_t>(missing.size(), 3); ++i) {
    ADD_FAILURE() << table.name << " column " << cols[0].second->name << ": built "
                  << hexOf(missing[i]) << (i < extra.size() ? " stored " + hexOf(extra[i]) : "");
  }
}

class IndexKeyCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(IndexKeyCorpus, RebuiltKeysEqualStoredKeys) {
  const std::string path = std::string(FIELDMEND_CORPUS_DIR) + "/" + GetParam();
  SKIP_WITHOUT_CORPUS_FILE(path);
  if (std::system("node --version > /dev/null 2>&1") != 0 ||
      !std::ifstream(FIELDMEND_SOURCE_DIR "/tools/oracle/node_modules/mdb-reader/package.json")) {
    GTEST_SKIP() << "needs node and tools/oracle/node_modules";
  }
  File f = loadFile(path);
  Tally tally;
  for (const OracleTable& table : runOracle(path)) {
    if (table.error || table.tdefPage == 0) continue;
    Tdef tdef = readTdef(f, table.tdefPage);
    for (const TdefIndex& idx : tdef.indexes) {
      if (idx.rootPage != 0) checkIndex(f, tdef, idx, table, tally);
    }
  }
  std::cout << "[ keys     ] " << GetParam() << ": " << tally.compared << " keys compared, "
            << tally.mismatched << " differ, " << tally.skippedIndexes << " indexes skipped";
  for (const auto& [order, n] : tally.textKeys) std::cout << "; " << order << " text " << n;
  std::cout << "\n";
  RecordProperty("keys_compared", static_cast<int>(tally.compared));
  EXPECT_GT(tally.compared, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IndexKeyCorpus,
    ::testing::Values(
        "jackcess/V1997/testIndexCodesV1997.mdb", "jackcess/V1997/indexTestV1997.mdb",
        "jackcess/V1997/compIndexTestV1997.mdb", "jackcess/V1997/testV1997.mdb",
        "jackcess/V2000/indexTestV2000.mdb", "jackcess/V2000/fixedTextTestV2000.mdb",
        "jackcess/V2000/testIndexPropertiesV2000.mdb", "jackcess/V2003/indexTestV2003.mdb",
        "jackcess/V2003/fixedTextTestV2003.mdb", "jackcess/V2003/testIndexPropertiesV2003.mdb",
        "jackcess/V2003/testV2003.mdb", "jackcess/V2003/testUnicodeCompV2003.mdb",
        "jackcess/V2007/indexTestV2007.accdb", "jackcess/V2007/fixedTextTestV2007.accdb",
        "jackcess/V2007/testIndexPropertiesV2007.accdb", "jackcess/V2007/testV2007.accdb",
        "jackcess/V2010/indexTestV2010.accdb", "jackcess/V2010/fixedTextTestV2010.accdb",
        "jackcess/V2010/testIndexPropertiesV2010.accdb", "jackcess/V2010/testV2010.accdb",
        "jackcess/V2010/binIdxTestV2010.accdb", "jackcess/V2010/testEmoticonsV2010.accdb",
        "jackcess/V2019/extDateTestV2019.accdb", "mdb-reader/V2016/bigint.accdb",
        "mdb-reader/V2016/currency.accdb", "mdb-reader/real/ASampleDatabase.accdb",
        "ucanaccess/githubIssue16.accdb", "ucanaccess/alterTable.accdb",
        "ucanaccess/accessLike.mdb", "tika/testAccess2.accdb", "tika/testAccess2_2000.mdb",
        "jackcess/V1997/test2V1997.mdb", "jackcess/V2000/test2V2000.mdb",
        "jackcess/V2003/test2V2003.mdb", "jackcess/V2007/test2V2007.accdb",
        "jackcess/V2010/test2V2010.accdb", "ucanaccess/charsetGBK.mdb",
        "ucanaccess/weirdObjectNames.mdb", "access_parser/test.mdb",
        "jackcess/V1997/delColTestV1997.mdb", "mdb-reader/V2016/attachments.accdb"));

}  // namespace
}  // namespace jet
