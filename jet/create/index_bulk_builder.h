// index_bulk_builder.h: writes the pages of a new index from its entries given in order: leaves
// left to right (chained by previous/next), then node levels over them until one page remains,
// which goes to the root page reserved for the index. Sorting is index_sorter.h's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/index/index_page.h"
#include "jet/pager/page_store.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

class IndexBulkBuilder {
 public:
  // `rootPage`: reserved already; `tablePage`: the owning table's definition page; `name`
  // names the index in errors.
  IndexBulkBuilder(PageStore& pages, const Format& f, std::uint32_t tablePage,
                   std::uint32_t rootPage, std::string name);

  // Adds the next leaf entry; entries must come in index order (key, then row).
  Status add(const IndexEntry& entry);
  // Writes the last leaf and every node level. Call once.
  Status finish();
  // Every page the index occupies, the root included (for its usage map).
  const std::vector<std::uint32_t>& pagesWritten() const { return written_; }
  std::size_t depth() const { return depth_; }  // levels, 1 for a lone leaf
  std::uint64_t distinctKeys() const { return distinct_; }

 private:
  struct Group {
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  Status closeLeaf(bool last);
  Status buildNodes(std::vector<IndexEntry> children);
  std::vector<Group> pack(const std::vector<IndexEntry>& children) const;
  Status writePage(const IndexPage& page);

  PageStore& pages_;
  const Format& f_;
  std::uint32_t tablePage_;
  std::uint32_t root_;
  std::string name_;
  std::size_t target_;  // entry bytes a page is filled to
  IndexPage leaf_;
  std::size_t leafBytes_ = 0;
  std::vector<IndexEntry> leafSummaries_;  // last entry of each leaf, its page as child
  std::vector<std::uint32_t> written_;
  std::size_t depth_ = 0;
  std::uint64_t distinct_ = 0;
  std::vector<std::uint8_t> lastKey_;
};

}  // namespace jet
