// index_tree.cpp: entry changes on an index's pages. A change loads the pages on its path into
// `work_`, edits them as parsed entry lists, settles the path from the leaf up (node entries,
// empty pages, splits, tails) and writes back only the pages whose bytes changed. Then the
// single-leaf insertion for catalogue rows.
#include "jet/index/index_tree.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/page/usage_map.h"
#include "jet/index/index_page.h"

namespace jet {
namespace {

constexpr std::size_t kMaxDepth = 32;
// Parsed pages kept between changes: enough for the upper levels of a large index and the
// leaves a change reads more than once, a few hundred kilobytes at most.
constexpr std::size_t kKeptPages = 64;

bool same(const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.row == b.row; }

std::string rowText(RowLocator at) {
  return "row at page " + std::to_string(at.page) + " slot " + std::to_string(at.row);
}

}  // namespace

IndexTree::IndexTree(PageCache& pages, PageAllocator& allocator, const Format& f,
                     std::uint32_t tablePage, std::uint32_t rootPage, MapRef owned,
                     std::string name)
    : pages_(pages),
      allocator_(allocator),
      f_(f),
      tablePage_(tablePage),
      root_(rootPage),
      owned_(owned),
      name_(std::move(name)) {}

Error IndexTree::damaged(const std::string& why) const {
  return Error{err::kBadPage, "index " + name_ + ": " + why};
}

bool IndexTree::fits(const IndexPage& page) const {
  return storedEntryBytes(page, f_) <= maxIndexEntryBytes(f_);
}

Result<IndexPage*> IndexTree::load(std::uint32_t number) {
  if (auto it = work_.find(number); it != work_.end()) return &it->second.page;
  if (number == 0 || number >= pages_.pageCount()) {
    return damaged("points at page " + std::to_string(number) + ", outside the file");
  }
  JET_ASSIGN_OR_RETURN(Page bytes, pages_.read(number));
  IndexPage page;
  if (auto kept = kept_.find(number); kept != kept_.end() && kept->second.model == bytes) {
    page = std::move(kept->second.page);  // the same bytes parse to the same page
    kept_.erase(kept);
  } else {
    JET_ASSIGN_OR_RETURN(page, parseIndexPage(bytes, f_, number));
  }
  if (page.tablePage != tablePage_) {
    return damaged("page " + std::to_string(number) + " belongs to another table");
  }
  Work& w = work_[number];
  w.page = std::move(page);
  w.model = std::move(bytes);
  return &w.page;
}

Result<std::vector<IndexTree::Level>> IndexTree::descend(const IndexEntry& target) {
  std::vector<Level> path{Level{root_, -1}};
  for (;;) {
    if (path.size() > kMaxDepth) return damaged("its pages form a loop");
    JET_ASSIGN_OR_RETURN(IndexPage * page, load(path.back().page));
    if (page->leaf) return path;
    auto& entries = page->entries;
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const IndexEntry& e) { return !indexEntryBefore(e, target); });
    if (it != entries.end()) {
      path.push_back(Level{it->childPage, static_cast<int>(it - entries.begin())});
    } else if (page->childTailPage != 0) {
      path.push_back(Level{page->childTailPage, -1});
    } else if (!entries.empty()) {
      path.push_back(Level{entries.back().childPage, static_cast<int>(entries.size() - 1)});
    } else {
      return damaged("node page " + std::to_string(page->number) + " has no children");
    }
  }
}

Result<IndexEntry> IndexTree::lastEntry(std::uint32_t number) {
  for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
    JET_ASSIGN_OR_RETURN(IndexPage * page, load(number));
    if (page->leaf) {
      if (page->entries.empty())
        return damaged("leaf page " + std::to_string(number) + " is empty");
      IndexEntry e = page->entries.back();
      e.childPage = 0;
      return e;
    }
    if (page->childTailPage != 0) {
      number = page->childTailPage;
    } else if (!page->entries.empty()) {
      number = page->entries.back().childPage;
    } else {
      return damaged("node page " + std::to_string(number) + " has no children");
    }
  }
  return damaged("its pages form a loop");
}

Status IndexTree::insert(const IndexEntry& entry) {
  work_.clear();
  dropped_.clear();
  JET_ASSIGN_OR_RETURN(auto path, descend(entry));
  JET_ASSIGN_OR_RETURN(IndexPage * leaf, load(path.back().page));
  auto at = std::lower_bound(leaf->entries.begin(), leaf->entries.end(), entry, indexEntryBefore);
  if (at != leaf->entries.end() && same(*at, entry)) {
    return damaged("already holds an entry for the " + rowText(entry.row));
  }
  IndexEntry stored = entry;
  stored.childPage = 0;
  leaf->entries.insert(at, std::move(stored));
  JET_TRY(settle(path));
  return flush();
}

Status IndexTree::remove(const IndexEntry& entry) {
  work_.clear();
  dropped_.clear();
  JET_ASSIGN_OR_RETURN(auto path, descend(entry));
  JET_ASSIGN_OR_RETURN(IndexPage * leaf, load(path.back().page));
  auto at = std::lower_bound(leaf->entries.begin(), leaf->entries.end(), entry, indexEntryBefore);
  if (at == leaf->entries.end() || !same(*at, entry)) {
    return damaged("has no entry for the " + rowText(entry.row) +
                   " (the index does not match the table; compacting the database in Access "
                   "rebuilds it)");
  }
  leaf->entries.erase(at);
  JET_TRY(settle(path));
  return flush();
}

Status IndexTree::forEachWithPrefix(const std::vector<std::uint8_t>& prefix,
                                    const std::function<Result<bool>(const IndexEntry&)>& visit) {
  work_.clear();
  dropped_.clear();
  IndexEntry target;
  target.key = prefix;
  JET_ASSIGN_OR_RETURN(auto path, descend(target));
  std::uint32_t number = path.back().page;
  bool first = true;
  for (std::uint32_t visited = 0; number != 0; ++visited) {
    if (visited > pages_.pageCount()) return damaged("its leaf pages form a loop");
    JET_ASSIGN_OR_RETURN(IndexPage * page, load(number));
    if (!page->leaf) return damaged("page " + std::to_string(number) + " is not a leaf");
    auto it = page->entries.begin();
    if (first)
      it = std::lower_bound(page->entries.begin(), page->entries.end(), target, indexEntryBefore);
    first = false;
    for (; it != page->entries.end(); ++it) {
      if (it->key.size() < prefix.size() ||
          !std::equal(prefix.begin(), prefix.end(), it->key.begin())) {
        keepAll();
        return Status::success();
      }
      JET_ASSIGN_OR_RETURN(bool more, visit(*it));
      if (!more) {
        keepAll();
        return Status::success();
      }
    }
    number = page->nextPage;
  }
  keepAll();
  return Status::success();
}

Status IndexTree::settle(const std::vector<Level>& path) {
  for (std::size_t i = path.size() - 1; i > 0; --i) {
    JET_ASSIGN_OR_RETURN(IndexPage * parent, load(path[i - 1].page));
    JET_TRY(settleChild(*parent, path[i]));
  }
  JET_ASSIGN_OR_RETURN(IndexPage * root, load(root_));
  if (!root->leaf && root->entries.empty() && root->childTailPage == 0) {
    root->leaf = true;  // an empty index is one empty leaf
  }
  if (!fits(*root)) return splitRoot(*root);
  return Status::success();
}

Status IndexTree::settleChild(IndexPage& parent, const Level& child) {
  JET_ASSIGN_OR_RETURN(IndexPage * page, load(child.page));
  const bool tail = child.position < 0;
  if (!tail && (static_cast<std::size_t>(child.position) >= parent.entries.size() ||
                parent.entries[static_cast<std::size_t>(child.position)].childPage != child.page)) {
    return damaged("node page " + std::to_string(parent.number) + " lost track of page " +
                   std::to_string(child.page));
  }
  if (page->entries.empty() && page->childTailPage == 0) {
    if (tail) {
      parent.childTailPage = 0;
    } else {
      parent.entries.erase(parent.entries.begin() + child.position);
    }
    JET_TRY(unlink(*page));
    dropped_.push_back(page->number);
    return normalise(parent);
  }
  if (!tail) {
    JET_ASSIGN_OR_RETURN(IndexEntry last, lastEntry(child.page));
    last.childPage = child.page;
    parent.entries[static_cast<std::size_t>(child.position)] = std::move(last);
  }
  if (!fits(*page)) JET_TRY(split(*page, parent, child.position));
  return normalise(parent);
}

// A node with several children keeps the last one in its tail pointer; a node with one child
// keeps it as its single entry.
Status IndexTree::normalise(IndexPage& node) {
  if (node.leaf) return Status::success();
  if (node.childTailPage != 0 && node.entries.empty()) {
    JET_ASSIGN_OR_RETURN(IndexEntry last, lastEntry(node.childTailPage));
    last.childPage = node.childTailPage;
    node.entries.push_back(std::move(last));
    node.childTailPage = 0;
  } else if (node.childTailPage == 0 && node.entries.size() >= 2) {
    node.childTailPage = node.entries.back().childPage;
    node.entries.pop_back();
  }
  return Status::success();
}

// Takes a page out of its level's chain.
Status IndexTree::unlink(const IndexPage& page) {
  const std::uint32_t prevPage = page.prevPage;
  const std::uint32_t nextPage = page.nextPage;
  if (prevPage != 0) {
    JET_ASSIGN_OR_RETURN(IndexPage * prev, load(prevPage));
    prev->nextPage = nextPage;
  }
  if (nextPage != 0) {
    JET_ASSIGN_OR_RETURN(IndexPage * next, load(nextPage));
    next->prevPage = prevPage;
  }
  return Status::success();
}

Result<std::uint32_t> IndexTree::newPage(const IndexPage& like, bool leaf) {
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_.allocate());
  JET_TRY(UsageMapEditor(pages_, owned_, f_.jet3, &allocator_).set(number, true));
  Work w;
  w.model = work_.at(like.number).model;
  w.page.number = number;
  w.page.leaf = leaf;
  w.page.tablePage = tablePage_;
  work_[number] = std::move(w);
  return number;
}

// Moves the first half of `page`'s entries to a new page put before it at the same level.
Status IndexTree::split(IndexPage& page, IndexPage& parent, int position) {
  const std::size_t n = page.entries.size();
  if (n < 2) return damaged("an entry is too large for an index page");
  JET_ASSIGN_OR_RETURN(std::uint32_t number, newPage(page, page.leaf));
  IndexPage& left = work_.at(number).page;
  const auto half = static_cast<std::ptrdiff_t>((n + 1) / 2);
  left.entries.assign(page.entries.begin(), page.entries.begin() + half);
  page.entries.erase(page.entries.begin(), page.entries.begin() + half);
  left.prevPage = page.prevPage;
  left.nextPage = page.number;
  if (page.prevPage != 0) {
    JET_ASSIGN_OR_RETURN(IndexPage * prev, load(page.prevPage));
    prev->nextPage = number;
  }
  page.prevPage = number;
  if (!left.leaf) {
    JET_TRY(normalise(left));
    // Node pages below the top are chained only among the children of one parent.
    JET_ASSIGN_OR_RETURN(
        IndexPage * lastChild,
        load(left.childTailPage != 0 ? left.childTailPage : left.entries.back().childPage));
    if (!lastChild->leaf && lastChild->nextPage != 0) {
      JET_ASSIGN_OR_RETURN(IndexPage * after, load(lastChild->nextPage));
      after->prevPage = 0;
      lastChild->nextPage = 0;
    }
  }
  if (!fits(left) || !fits(page)) return damaged("an entry is too large for an index page");
  JET_ASSIGN_OR_RETURN(IndexEntry last, lastEntry(number));
  last.childPage = number;
  if (position < 0) {
    parent.entries.push_back(std::move(last));
  } else {
    parent.entries.insert(parent.entries.begin() + position, std::move(last));
  }
  return Status::success();
}

// The root page keeps its number: its entries move to a new page below it, which then splits.
Status IndexTree::splitRoot(IndexPage& root) {
  JET_ASSIGN_OR_RETURN(std::uint32_t number, newPage(root, root.leaf));
  IndexPage& below = work_.at(number).page;
  below.entries = std::move(root.entries);
  below.childTailPage = root.childTailPage;
  root.entries.clear();
  root.leaf = false;
  root.childTailPage = 0;
  JET_ASSIGN_OR_RETURN(IndexEntry last, lastEntry(number));
  last.childPage = number;
  root.entries.push_back(std::move(last));
  IndexPage& moved = work_.at(number).page;
  JET_TRY(split(moved, root, 0));
  JET_TRY(normalise(root));
  if (!fits(root)) return damaged("the root page cannot hold its children");
  return Status::success();
}

Status IndexTree::flush() {
  const bool jet3 = f_.jet3;
  for (auto& [number, w] : work_) {
    if (std::find(dropped_.begin(), dropped_.end(), number) != dropped_.end()) continue;
    JET_ASSIGN_OR_RETURN(auto bytes, writeIndexPage(w.page, f_, w.model));
    if (bytes != w.model) {
      JET_TRY(pages_.write(number, std::move(bytes)));
    } else {
      // Unchanged bytes: the page as held is what parsing them gives (the writer derives the
      // shared prefix itself, and leaf entries carry no child page).
      keep(number, std::move(w));
    }
  }
  for (std::uint32_t number : dropped_) {
    JET_TRY(UsageMapEditor(pages_, owned_, jet3).set(number, false));
    UsageMapEditor global(pages_, MapRef{1, 0}, jet3);
    JET_ASSIGN_OR_RETURN(auto range, global.range());
    if (number >= range.first && number < range.second) JET_TRY(global.set(number, true));
    JET_TRY(pages_.write(number, Page(pages_.pageSize(), 0)));
  }
  work_.clear();
  dropped_.clear();
  return Status::success();
}

// After a walk that changed nothing: every page it read is kept as parsed.
void IndexTree::keepAll() {
  for (auto& [number, w] : work_) keep(number, std::move(w));
  work_.clear();
}

void IndexTree::keep(std::uint32_t number, Work&& work) {
  Kept& k = kept_[number];
  k.page = std::move(work.page);
  k.model = std::move(work.model);
  k.used = ++clock_;
  if (kept_.size() <= kKeptPages) return;
  auto oldest = std::min_element(kept_.begin(), kept_.end(), [](const auto& a, const auto& b) {
    return a.second.used < b.second.used;
  });
  kept_.erase(oldest);
}

Result<std::vector<std::uint8_t>> insertLeafEntry(std::span<const std::uint8_t> page,
                                                  const Format& f, std::uint32_t pageNumber,
                                                  const std::vector<std::uint8_t>& key,
                                                  RowLocator row, bool unique,
                                                  const std::string& what) {
  JET_ASSIGN_OR_RETURN(IndexPage leaf, parseIndexPage(page, f, pageNumber));
  if (!leaf.leaf || leaf.nextPage != 0 || leaf.prevPage != 0) {
    return Error{err::kUnsupported, "The index " + what +
                                        " spans several pages; adding to it "
                                        "is not supported."};
  }
  IndexEntry added;
  added.key = key;
  added.row = row;
  auto pos = std::find_if(leaf.entries.begin(), leaf.entries.end(),
                          [&](const IndexEntry& e) { return !indexEntryBefore(e, added); });
  if (unique && std::any_of(leaf.entries.begin(), leaf.entries.end(),
                            [&](const IndexEntry& e) { return e.key == key; })) {
    return Error{err::kUniqueViolation, "The index " + what + " already holds this value."};
  }
  leaf.entries.insert(pos, std::move(added));
  if (storedEntryBytes(leaf, f) > maxIndexEntryBytes(f)) {
    return Error{err::kUnsupported, "The index " + what +
                                        " has no room for another entry on "
                                        "its page; this file cannot take more tables."};
  }
  return writeIndexPage(leaf, f, page);
}

}  // namespace jet
