// tdef_compare_test.cpp: the definition pages the creator writes, field by field against the ones
// Access wrote for the same tables (corpus files re-created column for column, index for index).
// Page numbers and map pointers are masked; the fields below are known to differ.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "access_table_copy.h"
#include "jet/database.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/core/test_corpus.h"

namespace jet {
namespace {

// Fields known to differ, where Access's choice is a mystery (or the user's) and ours is harmless.
// Every other field must match.
struct KnownDifference {
  const char* field;
  const char* why;
};
constexpr KnownDifference kKnownDifferences[] = {
    {"header@28",
     "12 bytes after the autonumber flag: zeros, repeated dates or stray text in "
     "Access's files, zeros in ours; no reader uses them"},
    {"column@9",
     "Access holds the column's place counted from 0 in most tables, from 1 in "
     "others; ours holds the column number (the place from 0). Readers order columns "
     "by column number"},
    {"column.fixedOffset",
     "variable-length columns: a stale value (0x0400 seen) where fixed "
     "columns keep their fixed-area offset; ours 0. Variable columns are "
     "found through the variable-offset table"},
    {"column.compression",
     "Access's Unicode Compression property, which the user can turn "
     "off; the creator always turns it on (Access's default)"},
    {"count@0",
     "entries in the index: Access 2007+ keeps it, Access 2000-2003 often leaves 0; "
     "ours is the true count. No reader uses it"},
    {"real.unusedSlotFlags",
     "flag byte of unused column slots (column FFFF): stray bytes in "
     "Access's files, zero in ours"},
    {"real@42", "4 bytes between root page and flags: stray bytes in Access's files"},
    {"logical.number",
     "Access does not reuse the numbers of deleted indexes; the creator numbers "
     "from 0. Compared as ranks"},
};

bool known(const std::string& field) {
  for (const KnownDifference& k : kKnownDifferences) {
    if (field == k.field) return true;
  }
  return false;
}

std::uint32_t le(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = v << 8 | d.at(at + i);
  return v;
}

// Where the blocks of a Jet4/ACE definition start.
struct Blocks {
  std::size_t columns = 0, counts = 0, names = 0, reals = 0, logicals = 0, indexNames = 0,
              longValueMaps = 0;
  std::size_t nColumns = 0, nLogical = 0, nReal = 0;
};

constexpr std::size_t kCountBlock = 12, kColumn = 25, kReal = 52, kLogical = 28;

std::size_t skipNames(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) at += 2 + le(d, at, 2);
  return at;
}

Blocks blocksOf(const std::vector<std::uint8_t>& d) {
  Blocks b;
  b.nColumns = le(d, 45, 2);
  b.nLogical = le(d, 47, 4);
  b.nReal = le(d, 51, 4);
  b.counts = 63;
  b.columns = b.counts + kCountBlock * b.nReal;
  b.names = b.columns + kColumn * b.nColumns;
  b.reals = skipNames(d, b.names, b.nColumns);
  b.logicals = b.reals + kReal * b.nReal;
  b.indexNames = b.logicals + kLogical * b.nLogical;
  b.longValueMaps = skipNames(d, b.indexNames, b.nLogical);
  return b;
}

// Compares the two definitions, collecting the differences not in kKnownDifferences.
class Comparison {
 public:
  Comparison(const std::vector<std::uint8_t>& access, const std::vector<std::uint8_t>& ours)
      : a_(access), o_(ours), ab_(blocksOf(access)), ob_(blocksOf(ours)) {}

  std::vector<std::string> run() {
    header();
    if (ab_.nColumns != ob_.nColumns || ab_.nReal != ob_.nReal || ab_.nLogical != ob_.nLogical) {
      return differences_;
    }
    for (std::size_t i = 0; i < ab_.nReal; ++i) countBlock(i);
    for (std::size_t i = 0; i < ab_.nColumns; ++i) column(i);
    same("column names", ab_.names, ob_.names, ab_.reals - ab_.names);
    for (std::size_t i = 0; i < ab_.nReal; ++i) realIndex(i);
    for (std::size_t i = 0; i < ab_.nLogical; ++i) logicalIndex(i);
    same("index names", ab_.indexNames, ob_.indexNames, ab_.longValueMaps - ab_.indexNames);
    longValueMaps();
    return differences_;
  }

 private:
  void same(const std::string& field, std::size_t atA, std::size_t atO, std::size_t size) {
    if (known(field)) return;
    bool equal = atA + size <= a_.size() && atO + size <= o_.size() &&
                 std::equal(a_.begin() + static_cast<std::ptrdiff_t>(atA),
                            a_.begin() + static_cast<std::ptrdiff_t>(atA + size),
                            o_.begin() + static_cast<std::ptrdiff_t>(atO));
    if (!equal)
      differences_.push_back(field + ": Access " + hex(a_, atA, size) + ", ours " +
                             hex(o_, atO, size));
  }
  void same(const std::string& field, std::size_t at, std::size_t size) {
    same(field, at, at, size);
  }

  static std::string hex(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t size) {
    std::string s;
    for (std::size_t i = at; i < at + size && i < d.size(); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x", d[i]);
      s += (s.empty() ? "" : " ") + std::string(byte);
    }
    return s;
  }

  // Row count (16) and the map pointers (55, 59) are masked; next page (4) is 0 for both.
  void header() {
    same("header@0 page type", 0, 4);
    same("header@4 next page", 4, 4);
    same("header@8 definition length", 8, 4);
    same("header@12 magic", 12, 4);
    same("header@20 next autonumber", 20, 5);
    same("header@25", 25, 3);
    same("header@28", 28, 12);
    same("header@40 table type, column and index counts", 40, 15);
  }

  // u32 unknown, u32 distinct keys (advisory: Access's may be higher than the keys left after
  // rows were deleted, never lower), u32 unknown.
  void countBlock(std::size_t i) {
    std::string field = "count block " + std::to_string(i);
    std::size_t at = ab_.counts + kCountBlock * i;
    same(le(a_, at, 4) == 0 ? "count@0" : field + "@0 entries", at, 4);
    same(field + "@8", at + 8, 4);
    if (le(o_, at + 4, 4) > le(a_, at + 4, 4)) {
      differences_.push_back(field + "@4 distinct keys: Access " +
                             std::to_string(le(a_, at + 4, 4)) +
                             ", ours more: " + std::to_string(le(o_, at + 4, 4)));
    }
  }

  void column(std::size_t i) {
    std::string field = "column " + std::to_string(i);
    std::size_t at = ab_.columns + kColumn * i;
    same(field + "@0-8", at, 9);
    same("column@9", at + 9, 2);
    same(field + "@11-15", at + 11, 5);
    bool compressedA = (a_[at + 16] & 0x01) != 0, compressedO = (o_[at + 16] & 0x01) != 0;
    if (compressedA != compressedO) same("column.compression", at + 16, 1);
    if ((a_[at + 16] & 0xFE) != (o_[at + 16] & 0xFE)) same(field + "@16 extra flags", at + 16, 1);
    same(field + "@17-20", at + 17, 4);
    bool fixed = (a_[at + 15] & 0x01) != 0;
    same(fixed ? field + "@21 fixed offset" : "column.fixedOffset", at + 21, 2);
    same(field + "@23 length", at + 23, 2);
  }

  // Usage-map pointer (34) and root page (38) are masked.
  void realIndex(std::size_t i) {
    std::string field = "real index " + std::to_string(i);
    std::size_t atA = ab_.reals + kReal * i, atO = ob_.reals + kReal * i;
    same(field + "@0 magic", atA, atO, 4);
    for (std::size_t slot = 0; slot < 10; ++slot) {
      std::size_t s = 4 + 3 * slot;
      same(field + " slot " + std::to_string(slot) + " column", atA + s, atO + s, 2);
      bool unused = le(a_, atA + s, 2) == 0xFFFF;
      same(unused ? "real.unusedSlotFlags" : field + " slot " + std::to_string(slot) + " order",
           atA + s + 2, atO + s + 2, 1);
    }
    same("real@42", atA + 42, atO + 42, 4);
    same(field + "@46 flags and tail", atA + 46, atO + 46, 6);
  }

  // The index number (4) is compared as its rank among the table's index numbers.
  void logicalIndex(std::size_t i) {
    std::string field = "logical index " + std::to_string(i);
    std::size_t atA = ab_.logicals + kLogical * i, atO = ob_.logicals + kLogical * i;
    same(field + "@0", atA, atO, 4);
    std::uint32_t rankA = rank(a_, ab_, le(a_, atA + 4, 4));
    std::uint32_t rankO = rank(o_, ob_, le(o_, atO + 4, 4));
    if (rankA != rankO) {
      differences_.push_back(field + "@4 number: Access's is number " + std::to_string(rankA) +
                             " in order, ours " + std::to_string(rankO));
    } else if (le(a_, atA + 4, 4) != le(o_, atO + 4, 4)) {
      same("logical.number", atA + 4, atO + 4, 4);
    }
    same(field + "@8-27", atA + 8, atO + 8, kLogical - 8);
  }

  static std::uint32_t rank(const std::vector<std::uint8_t>& d, const Blocks& b,
                            std::uint32_t number) {
    std::uint32_t below = 0;
    for (std::size_t j = 0; j < b.nLogical; ++j)
      below += le(d, b.logicals + kLogical * j + 4, 4) < number;
    return below;
  }

  // Column numbers and the FFFF terminator; the two map pointers of each entry are masked.
  void longValueMaps() {
    std::size_t atA = ab_.longValueMaps, atO = ob_.longValueMaps;
    for (;;) {
      same("long-value map column", atA, atO, 2);
      if (atA + 2 > a_.size() || le(a_, atA, 2) == 0xFFFF) break;
      atA += 10;
      atO += 10;
    }
    std::size_t endA = atA + 2, endO = atO + 2;
    if (le(a_, 8, 4) != endA || le(o_, 8, 4) != endO) {
      differences_.push_back("definition length does not end at the terminator: Access " +
                             std::to_string(le(a_, 8, 4)) + "/" + std::to_string(endA) + ", ours " +
                             std::to_string(le(o_, 8, 4)) + "/" + std::to_string(endO));
    }
  }

  const std::vector<std::uint8_t>& a_;
  const std::vector<std::uint8_t>& o_;
  Blocks ab_, ob_;
  std::vector<std::string> differences_;
};

struct Case {
  const char* file;  // under the corpus folder
  const char* table;
  const char* templateName;
  const char* what;
};

// Access-made tables with the kinds of index the creator makes (no descending text index exists
// in the Jet4/ACE corpus; descending order is compared through the slot order byte anyway).
const Case kCases[] = {
    {"jackcess/V2003/testV2003.mdb", "Table1", "empty-jet4.mdb",
     "primary key on a text, non-unique text index, nine column types"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableIgnoreNulls1", "empty-jet4.mdb",
     "primary key on a text, ignore-nulls text index"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableIgnoreNulls2", "empty-jet4.mdb",
     "composite ignore-nulls index"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableUnique1_temp", "empty-jet4.mdb",
     "unique text index"},
    {"jackcess/V2003/testIndexPropertiesV2003.mdb", "TableUnique2_temp", "empty-jet4.mdb",
     "composite unique index"},
    {"jackcess/V2007/testV2007.accdb", "Table1", "empty-ace12.accdb",
     "ACE: primary key on a text, non-unique text index, nine column types"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableIgnoreNulls1", "empty-ace12.accdb",
     "ACE: primary key on a text, ignore-nulls text index"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableIgnoreNulls2", "empty-ace12.accdb",
     "ACE: composite ignore-nulls index"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableUnique1_temp", "empty-ace12.accdb",
     "ACE: unique text index"},
    {"jackcess/V2007/testIndexPropertiesV2007.accdb", "TableUnique2_temp", "empty-ace12.accdb",
     "ACE: composite unique index"},
    {"mdb-reader/real/ASampleDatabase.accdb", "Asset Items", "empty-ace12.accdb",
     "ACE: thirteen columns with a memo, primary key"},
};

class DefinitionComparison : public ::testing::TestWithParam<Case> {};

TEST_P(DefinitionComparison, MatchesAccessFieldByField) {
  const Case& c = GetParam();
  std::string accessFile = std::string(FIELDMEND_CORPUS_DIR) + "/" + c.file;
  SKIP_WITHOUT_CORPUS_FILE(accessFile);
  testing::ScratchFolder folder;
  std::string created = folder.file("copy" + std::filesystem::path(c.file).extension().string());
  Status s = testing::copyCorpusTable(c.file, c.table, c.templateName, created);
  ASSERT_TRUE(s.ok()) << s.description();

  auto access = Database::open(accessFile);
  auto ours = Database::open(created);
  ASSERT_TRUE(access.ok() && ours.ok());
  auto accessDef = (*access)->table(c.table);
  auto ourDef = (*ours)->table(c.table);
  ASSERT_TRUE(accessDef.ok() && ourDef.ok());
  auto a = testing::definitionBytes(accessFile, *accessDef);
  auto o = testing::definitionBytes(created, *ourDef);
  ASSERT_TRUE(a.ok() && o.ok());
  for (const std::string& d : Comparison(*a, *o).run()) {
    ADD_FAILURE() << c.file << " " << c.table << " (" << c.what << "): " << d;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, DefinitionComparison, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return "case" + std::to_string(param.index);
                         });

}  // namespace
}  // namespace jet
