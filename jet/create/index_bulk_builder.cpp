// index_bulk_builder.cpp: bottom-up index building. Only the leaf being filled is held; node
// levels are built from one entry per page of the level below (a hundredth or so of the entries),
// so memory stays small whatever the table's size.
#include "jet/create/index_bulk_builder.h"

#include "jet/core/error_codes.h"

namespace jet {
namespace {

// Pages are filled to 80% of their entry area, so that the first rows added later go into
// existing pages instead of splitting them at once. (Access fills pages fully when it compacts;
// both are valid trees.)
constexpr std::size_t kFillPercent = 80;

}  // namespace

IndexBulkBuilder::IndexBulkBuilder(PageStore& pages, const Format& f, std::uint32_t tablePage,
                                   std::uint32_t rootPage, std::string name)
    : pages_(pages),
      f_(f),
      tablePage_(tablePage),
      root_(rootPage),
      name_(std::move(name)),
      target_(maxIndexEntryBytes(f) * kFillPercent / 100) {
  leaf_.leaf = true;
  leaf_.tablePage = tablePage;
}

Status IndexBulkBuilder::writePage(const IndexPage& page) {
  auto image = writeIndexPage(page, f_);
  if (!image.ok()) {
    return Error{err::kUnsupported,
                 "Index " + name_ + ": " + image.error().description + " (its keys are too long)."};
  }
  JET_TRY(pages_.write(page.number, *image));
  written_.push_back(page.number);
  return {};
}

Status IndexBulkBuilder::add(const IndexEntry& entry) {
  std::size_t size = storedEntrySize(entry, true);
  if (distinct_ == 0 || entry.key != lastKey_) {
    ++distinct_;
    lastKey_ = entry.key;
  }
  if (!leaf_.entries.empty() && leafBytes_ + size > target_) JET_TRY(closeLeaf(false));
  IndexEntry stored = entry;
  stored.childPage = 0;
  leaf_.entries.push_back(std::move(stored));
  leafBytes_ += size;
  return {};
}

// A leaf gets its page number when it is known not to be the only one (a lone leaf is the root).
Status IndexBulkBuilder::closeLeaf(bool last) {
  if (leaf_.number == 0) leaf_.number = pages_.reserve();
  std::uint32_t next = last ? 0 : pages_.reserve();
  leaf_.nextPage = next;
  JET_TRY(writePage(leaf_));
  IndexEntry summary = leaf_.entries.back();
  summary.childPage = leaf_.number;
  leafSummaries_.push_back(std::move(summary));
  leaf_.prevPage = leaf_.number;
  leaf_.number = next;
  leaf_.entries.clear();
  leafBytes_ = 0;
  return {};
}

Status IndexBulkBuilder::finish() {
  depth_ = 1;
  if (leaf_.number == 0) {  // one leaf (perhaps empty): it is the root
    leaf_.number = root_;
    leaf_.prevPage = leaf_.nextPage = 0;
    return writePage(leaf_);
  }
  JET_TRY(closeLeaf(true));
  return buildNodes(std::move(leafSummaries_));
}

// Children go to a node page while the entries it stores fit: every child but the last is
// stored as an entry, the last one is the page's tail pointer.
std::vector<IndexBulkBuilder::Group> IndexBulkBuilder::pack(
    const std::vector<IndexEntry>& children) const {
  std::vector<Group> groups;
  Group g;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (g.end > g.begin) {
      std::size_t grown = bytes + storedEntrySize(children[i - 1], false);
      if (grown > target_) {
        groups.push_back(g);
        g = Group{i, i};
        bytes = 0;
      } else {
        bytes = grown;
      }
    }
    g.end = i + 1;
  }
  if (g.end > g.begin) groups.push_back(g);
  return groups;
}

// Node pages are chained only among the children of one parent, as Access leaves them.
Status IndexBulkBuilder::buildNodes(std::vector<IndexEntry> children) {
  ++depth_;
  std::vector<Group> groups = pack(children);
  std::vector<IndexEntry> parents;
  for (const Group& g : groups) {
    IndexEntry up = children[g.end - 1];
    up.childPage = groups.size() == 1 ? root_ : pages_.reserve();
    parents.push_back(std::move(up));
  }
  std::vector<std::size_t> parentOf(groups.size(), 0);
  if (groups.size() > 1) {
    std::vector<Group> above = pack(parents);
    for (std::size_t p = 0; p < above.size(); ++p) {
      for (std::size_t i = above[p].begin; i < above[p].end; ++i) parentOf[i] = p;
    }
  }
  for (std::size_t i = 0; i < groups.size(); ++i) {
    IndexPage node;
    node.leaf = false;
    node.number = parents[i].childPage;
    node.tablePage = tablePage_;
    const Group& g = groups[i];
    bool single = g.end - g.begin == 1;
    std::size_t stored = single ? g.end : g.end - 1;
    node.entries.assign(children.begin() + static_cast<std::ptrdiff_t>(g.begin),
                        children.begin() + static_cast<std::ptrdiff_t>(stored));
    node.childTailPage = single ? 0 : children[g.end - 1].childPage;
    if (i > 0 && parentOf[i - 1] == parentOf[i]) node.prevPage = parents[i - 1].childPage;
    if (i + 1 < groups.size() && parentOf[i + 1] == parentOf[i]) {
      node.nextPage = parents[i + 1].childPage;
    }
    JET_TRY(writePage(node));
  }
  if (groups.size() == 1) return {};
  children.clear();
  children.shrink_to_fit();
  return buildNodes(std::move(parents));
}

}  // namespace jet
