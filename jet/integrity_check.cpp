// integrity_check.cpp: walks every local table found in MSysObjects.
#include "jet/integrity_check.h"

#include <map>

#include "jet/page/data_page.h"
#include "jet/page/data_page.h"
#include "jet/database_impl.h"
#include "jet/database.h"
#include "jet/core/error_codes.h"
#include "jet/index_check.h"
#include "jet/pager/header.h"
#include "jet/row/long_value.h"
#include "jet/row/row_codec.h"
#include "jet/row/table_pages.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

class Checker {
 public:
  Checker(const PageCache& pages, bool jet3) : pages_(pages), jet3_(jet3) {}
  const Format& format() const { return formatFor(jet3_ ? Version::kJet3 : Version::kJet4); }

  Status run() {
    JET_ASSIGN_OR_RETURN(auto tables, localTables(pages_, format()));
    for (const auto& t : tables) {
      auto storage = readTableStorage(pages_, t.tdefPage, format(), t.name);
      if (!storage) {
        problem(storage.error().description);
        continue;
      }
      checkTable(*storage);
    }
    return Status::success();
  }
  std::vector<std::string> problems;

 private:
  void problem(std::string line) { problems.push_back(std::move(line)); }

  bool usedInGlobalMap(std::uint32_t page) {
    UsageMapEditor global(const_cast<PageCache&>(pages_), MapRef{1, 0}, jet3_);
    auto free = global.contains(page, false);
    return free.ok() && !*free;
  }

  // Owners are kept by number, so the memory per page stays small in large files.
  void claim(std::uint32_t page, const std::string& owner) {
    if (ownerNames_.empty() || ownerNames_.back() != owner) ownerNames_.push_back(owner);
    auto id = static_cast<std::uint32_t>(ownerNames_.size() - 1);
    auto [it, fresh] = owners_.emplace(page, id);
    if (!fresh && ownerNames_[it->second] != owner) {
      problem("page " + std::to_string(page) + " is owned by both " + ownerNames_[it->second] +
              " and " + owner);
    }
    if (!usedInGlobalMap(page)) {
      problem("page " + std::to_string(page) + " of " + owner +
              " is marked free in the global map");
    }
  }

  void checkTable(const TableStorage& t) {
    std::string name = "table " + t.def.name;
    auto data = tableDataPages(pages_, t, format());
    if (!data) {
      problem(name + ": " + data.error().description);
      return;
    }
    for (auto page : *data) {
      claim(page, name);
      checkPage(t, page);
    }
    checkFreeSpaceMap(t);
    for (const auto& [column, maps] : t.longValueMaps) {
      if (!maps.owned.valid()) continue;
      auto listed = UsageMapEditor(const_cast<PageCache&>(pages_), maps.owned, jet3_).pages();
      if (!listed) {
        problem(name + ": long-value map of column " + std::to_string(column) + ": " +
                listed.error().description);
        continue;
      }
      for (auto page : *listed) {
        if (page < pages_.pageCount())
          claim(page, name + " long values of column " + std::to_string(column));
      }
    }
  }

  // Every page the free-space map offers belongs to the table. Pages with room that the map
  // leaves out are not reported: Access leaves such stale bits too.
  void checkFreeSpaceMap(const TableStorage& t) {
    if (!t.free.valid()) return;
    auto& pages = const_cast<PageCache&>(pages_);
    auto offered = UsageMapEditor(pages, t.free, jet3_).pages();
    if (!offered) {
      return problem("table " + t.def.name + ": free-space map: " + offered.error().description);
    }
    UsageMapEditor owned(pages, t.owned, jet3_);
    for (auto page : *offered) {
      auto own = owned.contains(page, false);
      if (!own.ok() || !*own) {
        problem("table " + t.def.name + ": page " + std::to_string(page) +
                " is in the free-space map but not owned by the table");
      }
    }
  }

  // A row of a page, named in words only when there is something to report.
  struct RowAt {
    const std::string& page;
    std::size_t row;
    bool moved = false;
    std::string text() const {
      return page + " row " + std::to_string(row) + (moved ? " (moved)" : "");
    }
  };

  void checkPage(const TableStorage& t, std::uint32_t number) {
    const std::string at = "table " + t.def.name + ", page " + std::to_string(number);
    auto page = pages_.read(number);
    if (!page) return problem(at + ": " + page.error().description);
    DataPageEditor data(*page, jet3_);
    if (!data.valid()) return problem(at + ": damaged row table");
    for (std::size_t i = 0; i < data.rowCount(); ++i) {
      auto flags = data.flags(i);
      if ((flags & DataPageEditor::kRowDeleted) != 0) continue;
      auto bytes = data.rowBytes(i);
      if ((flags & DataPageEditor::kRowOverflow) != 0) {
        checkOverflow(t, bytes, RowAt{at, i});
        continue;
      }
      checkRow(t, bytes, RowAt{at, i});
    }
  }

  void checkOverflow(const TableStorage& t, std::span<const std::uint8_t> pointer,
                     const RowAt& row) {
    if (pointer.size() < 4) return problem(row.text() + ": overflow pointer too short");
    std::uint32_t page =
        static_cast<std::uint32_t>(pointer[1] | (pointer[2] << 8) | (pointer[3] << 16));
    std::size_t slot = pointer[0];
    auto target = page < pages_.pageCount() ? pages_.read(page) : Result<Page>(Error{0, ""});
    if (!target) {
      return problem(row.text() + ": overflow pointer to page " + std::to_string(page) +
                     " leads nowhere");
    }
    DataPageEditor data(*target, jet3_);
    if ((*target)[0] != kPageTypeData || data.owner() != t.def.tdefPage || !data.valid() ||
        slot >= data.rowCount()) {
      return problem(row.text() + ": overflow pointer to page " + std::to_string(page) +
                     " row " + std::to_string(slot) + " leads to no row of the table");
    }
    checkRow(t, data.rowBytes(slot), RowAt{row.page, row.row, true});
  }

  void checkRow(const TableStorage& t, std::span<const std::uint8_t> bytes, const RowAt& row) {
    auto layout = splitRow(bytes, jet3_ ? kFormatJet3 : kFormatJet4, t.hasVariableColumns());
    if (!layout) return problem(row.text() + ": " + layout.error().description);
    for (const auto& c : t.def.columns) {
      bool longValue = c.type == ColumnType::kMemo || c.type == ColumnType::kOle;
      if (!longValue || c.fixed() || !layout->notNull(c.number) ||
          c.varIndex >= layout->variable.size())
        continue;
      checkLongValue(layout->variable[c.varIndex],
                     [&] { return row.text() + " column " + c.name; });
    }
  }

  // `where` names the cell, for the report of a problem.
  template <typename Where>
  void checkLongValue(const ByteVector& d, const Where& where) {
    if (d.empty()) return;
    if (d.size() < kLongValueDescriptorSize)
      return problem(where() + ": long-value descriptor too short");
    std::uint32_t head = get32(d, 0);
    std::uint32_t length = head & 0x3FFFFFFFu;
    if ((head & 0x80000000u) != 0) {
      if (d.size() != kLongValueDescriptorSize + length)
        problem(where() + ": inline long value has the wrong length");
      return;
    }
    bool single = (head & 0x40000000u) != 0;
    std::uint32_t next = get32(d, 4);
    std::size_t total = 0;
    for (int guard = 0; next != 0; ++guard) {
      if (guard > (1 << 18)) return problem(where() + ": long-value chain does not end");
      std::uint32_t page = next >> 8;
      std::size_t slot = next & 0xFF;
      auto viewed =
          page < pages_.pageCount() ? pages_.view(page) : Result<const Page*>(Error{0, ""});
      if (!viewed) return problem(where() + ": long value points past the file");
      // Valid until the cache is next asked; the editor only reads it.
      Page& p = const_cast<Page&>(**viewed);
      DataPageEditor data(p, jet3_);
      if (p[0] != kPageTypeData || !data.valid() || slot >= data.rowCount() ||
          (data.flags(slot) & DataPageEditor::kRowDeleted) != 0) {
        return problem(where() + ": long value points at page " + std::to_string(page) + " row " +
                       std::to_string(slot) + ", which holds no live row");
      }
      auto bytes = data.rowBytes(slot);
      if (single) {
        total = bytes.size();
        break;
      }
      if (bytes.size() < 4) return problem(where() + ": long-value chain row too short");
      total += bytes.size() - 4;
      next = get32(bytes, 0);
    }
    if (single ? total < length : total != length) {
      problem(where() + ": long value holds " + std::to_string(total) +
              " bytes, its descriptor says " + std::to_string(length));
    }
  }

  const PageCache& pages_;
  bool jet3_;
  std::map<std::uint32_t, std::uint32_t> owners_;  // page -> index into ownerNames_
  std::vector<std::string> ownerNames_;
};

}  // namespace

Result<std::vector<std::string>> checkDatabaseFile(const std::string& path,
                                                   const std::string& password) {
  OpenOptions options;
  options.password = password;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<DatabaseImpl> db, DatabaseImpl::openFile(path, options));
  PageCache pages(db->channel());
  JET_ASSIGN_OR_RETURN(auto problems, checkIntegrity(pages, db->format()));
  JET_ASSIGN_OR_RETURN(auto indexProblems, checkIndexes(*db));
  problems.insert(problems.end(), indexProblems.begin(), indexProblems.end());
  return problems;
}

Result<std::vector<std::string>> checkIntegrity(const PageCache& pages, const Format& format) {
  Checker checker(pages, format.jet3);
  JET_TRY(checker.run());
  return std::move(checker.problems);
}

}  // namespace jet
