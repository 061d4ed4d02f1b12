// index_check.cpp: walks each index twice: down the tree (node entries against their children,
// leaf order, its pages against the usage map) and along the leaf chain (entry order, keys against
// rows, counts).
#include "jet/index_check.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/pager/page_codec.h"
#include "jet/file/page_file.h"
#include "jet/page/usage_map.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

constexpr std::size_t kMaxDepth = 32;

class IndexChecker {
 public:
  IndexChecker(const Database& db, const PageReader& pages, const TableDef& table,
               const IndexDef& index, std::vector<std::string>& problems)
      : db_(db), pages_(pages), table_(table), index_(index), problems_(problems) {
    name_ = "index " + std::to_string(index.number) + " of table " + table.name;
    for (const auto& l : table.logicalIndexes) {
      if (l.physicalIndex == index.number) name_ = "index " + l.name + " of table " + table.name;
    }
  }

  Status run() {
    std::vector<std::uint32_t> treeLeaves;
    JET_TRY(walkTree(index_.rootPage, 0, treeLeaves).status());
    checkUsageMap();
    if (!keyable()) return Status::success();
    JET_TRY(walkLeaves(treeLeaves));
    return Status::success();
  }

 private:
  // The index's usage map lists exactly the pages of its tree.
  void checkUsageMap() {
    auto map = UsageMap::read(pages_, formatFor(db_.header().version), index_.usageMapRow);
    if (!map.ok()) return problem("usage map: " + map.error().description);
    std::sort(treePages_.begin(), treePages_.end());
    const auto& listed = map->pages();
    for (auto page : treePages_) {
      if (!std::binary_search(listed.begin(), listed.end(), page))
        problem("page " + std::to_string(page) + " of the tree is not in the index's usage map");
    }
    for (auto page : listed) {
      if (!std::binary_search(treePages_.begin(), treePages_.end(), page))
        problem("page " + std::to_string(page) +
                " is in the index's usage map but not in its tree");
    }
  }

  void problem(const std::string& what) { problems_.push_back(name_ + ": " + what); }

  bool keyable() const {
    for (const auto& ic : index_.columns) {
      auto c = column(ic.columnNumber);
      if (c == nullptr) return false;
      if (c->type == ColumnType::kText || c->type == ColumnType::kMemo) {
        if (!textSortOrderOf(db_.header().version, c->sortOrder, c->sortOrderVersion, c->name).ok())
          return false;
      }
      if (c->type == ColumnType::kComplex || c->type == ColumnType::kOle) return false;
    }
    return true;
  }

  const Column* column(std::uint16_t number) const {
    for (const auto& c : table_.columns) {
      if (c.number == number) return &c;
    }
    return nullptr;
  }

  Result<IndexPage> read(std::uint32_t number) const {
    JET_ASSIGN_OR_RETURN(PagePtr p, pages_.page(number));
    return parseIndexPage(*p, formatFor(db_.header().version), number);
  }

  // Checks the subtree at `number`; returns its last entry (none when empty).
  Result<std::optional<IndexEntry>> walkTree(std::uint32_t number, std::size_t depth,
                                             std::vector<std::uint32_t>& leaves) {
    if (depth > kMaxDepth) {
      problem("the tree is deeper than " + std::to_string(kMaxDepth) + " levels (a loop?)");
      return std::optional<IndexEntry>{};
    }
    JET_ASSIGN_OR_RETURN(IndexPage page, read(number));
    treePages_.push_back(number);
    if (page.tablePage != table_.tdefPage)
      problem("page " + std::to_string(number) + " names another table");
    if (page.leaf) {
      leaves.push_back(number);
      if (page.entries.empty()) {
        if (depth > 0) problem("leaf page " + std::to_string(number) + " is empty");
        return std::optional<IndexEntry>{};
      }
      return std::optional<IndexEntry>{page.entries.back()};
    }
    std::optional<IndexEntry> last;
    for (const auto& e : page.entries) {
      JET_ASSIGN_OR_RETURN(auto childLast, walkTree(e.childPage, depth + 1, leaves));
      if (!childLast || childLast->key != e.key || !(childLast->row == e.row)) {
        problem("node page " + std::to_string(number) + ": the entry for page " +
                std::to_string(e.childPage) + " differs from that page's last entry");
      }
      last = childLast;
    }
    if (page.childTailPage != 0) {
      if (page.entries.empty()) problem("node page " + std::to_string(number) + " has only a tail");
      JET_ASSIGN_OR_RETURN(last, walkTree(page.childTailPage, depth + 1, leaves));
    } else if (page.entries.size() > 1) {
      problem("node page " + std::to_string(number) + " has several children but no tail");
    }
    if (!last) problem("node page " + std::to_string(number) + " has no children");
    return last;
  }

  Status walkLeaves(const std::vector<std::uint32_t>& treeLeaves) {
    std::size_t entries = 0;
    std::optional<IndexEntry> previous;
    std::uint32_t prevPage = 0;
    std::size_t position = 0;
    std::vector<KeyPart> parts;
    for (std::uint32_t number = treeLeaves.empty() ? 0 : treeLeaves.front(); number != 0;) {
      if (position >= treeLeaves.size() || treeLeaves[position] != number) {
        problem("the leaf chain reaches page " + std::to_string(number) + " out of tree order");
        return Status::success();
      }
      ++position;
      JET_ASSIGN_OR_RETURN(IndexPage page, read(number));
      if (page.prevPage != prevPage)
        problem("leaf page " + std::to_string(number) + " points back at the wrong page");
      for (const auto& e : page.entries) {
        if (previous && !indexEntryBefore(*previous, e))
          problem("entries out of order on page " + std::to_string(number));
        previous = e;
        ++entries;
        JET_TRY(checkEntry(e, parts));
      }
      prevPage = number;
      number = page.nextPage;
    }
    if (position != treeLeaves.size()) problem("the leaf chain misses leaves of the tree");
    JET_ASSIGN_OR_RETURN(std::size_t covered, coveredRows(parts));
    if (covered != entries) {
      problem(std::to_string(entries) + " entries for " + std::to_string(covered) + " rows");
    }
    return Status::success();
  }

  // The key's parts, each column's value taken from `valueOf` (given the column's place in the
  // table); an error from it stops the key.
  template <typename ValueOf>
  Result<std::vector<KeyPart>> keyPartsOf(ValueOf valueOf) const {
    std::vector<KeyPart> parts;
    for (const auto& ic : index_.columns) {
      auto c = std::find_if(table_.columns.begin(), table_.columns.end(),
                            [&](const Column& col) { return col.number == ic.columnNumber; });
      JET_ASSIGN_OR_RETURN(KeyPart p, keyPartOf(*c, ic.ascending, db_.header().version));
      JET_ASSIGN_OR_RETURN(p.value, valueOf(static_cast<std::size_t>(c - table_.columns.begin())));
      parts.push_back(std::move(p));
    }
    return parts;
  }

  bool ignored(const std::vector<KeyPart>& parts) const {
    return (index_.flags & kIndexIgnoreNulls) != 0 &&
           std::all_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.value.isNull; });
  }

  Status checkEntry(const IndexEntry& e, std::vector<KeyPart>& parts) {
    auto where = [&] {
      return "the entry for the row at page " + std::to_string(e.row.page) + " slot " +
             std::to_string(e.row.row);
    };
    // Only the key's own cells are read back.
    bool unread = false;
    auto found = keyPartsOf([&](std::size_t n) {
      auto cell = db_.readCell(table_, e.row, n);
      unread = unread || !cell.ok();
      return cell;
    });
    if (unread) {
      problem(where() + " points at no row");
      return Status::success();
    }
    JET_ASSIGN_OR_RETURN(parts, std::move(found));
    auto key = encodeIndexKey(parts);
    if (!key.ok()) return Status::success();  // text the sort order cannot key (undefined bytes)
    if (*key != e.key) problem(where() + " holds a key that differs from its row's");
    if (ignored(parts)) problem(where() + " should not be there (all its columns are null)");
    return Status::success();
  }

  // Rows the index must hold. Only the key's cells are decoded: the scan is given a copy of the
  // table that lists just those columns (each cell is read by its own column's place in the row).
  Result<std::size_t> coveredRows(std::vector<KeyPart>& parts) const {
    TableDef keyOnly = table_;
    keyOnly.columns.clear();
    std::vector<std::size_t> slot(table_.columns.size(), 0);  // table column -> place in keyOnly
    for (const auto& ic : index_.columns) {
      auto c = std::find_if(table_.columns.begin(), table_.columns.end(),
                            [&](const Column& col) { return col.number == ic.columnNumber; });
      if (c == table_.columns.end()) {
        return Error{err::kBadPage, name_ + ": a key column is not in the table"};
      }
      slot[static_cast<std::size_t>(c - table_.columns.begin())] = keyOnly.columns.size();
      keyOnly.columns.push_back(*c);
    }
    JET_ASSIGN_OR_RETURN(auto scan, db_.scan(keyOnly));
    std::size_t covered = 0;
    for (Row row;;) {
      JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
      if (!more) break;
      JET_ASSIGN_OR_RETURN(parts, keyPartsOf([&](std::size_t n) -> Result<Value> {
                             return row.values[slot[n]];
                           }));
      if (!ignored(parts)) ++covered;
    }
    return covered;
  }

  const Database& db_;
  const PageReader& pages_;
  const TableDef& table_;
  const IndexDef& index_;
  std::vector<std::string>& problems_;
  std::string name_;
  std::vector<std::uint32_t> treePages_;  // every page the tree walk reached
};

}  // namespace

Result<std::vector<std::string>> checkIndexes(const Database& db) {
  std::vector<std::string> problems;
  // The pages as the reader has them, through its channel and codec, never a second opening.
  const PageReader* filePages = db.filePages();
  if (filePages == nullptr) {
    return Error{err::kUnsupported, "the indexes of " + db.path() + " cannot be checked: no file"};
  }
  const PageReader& pages = *filePages;
  for (const CatalogEntry& entry : db.catalogue()) {
    if (entry.kind != ObjectKind::kTable) continue;
    JET_ASSIGN_OR_RETURN(TableDef table, db.table(entry.name));
    for (const IndexDef& index : table.indexes) {
      if (index.rootPage == 0) continue;
      JET_TRY(IndexChecker(db, pages, table, index, problems).run());
    }
  }
  return problems;
}

}  // namespace jet
