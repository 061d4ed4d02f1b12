// index_tree.h: one physical index as a tree of pages, changed one leaf entry at a time: finds,
// removes and inserts entries, splits full pages (the root page never moves), keeps node entries
// and tail pointers equal to their children's last entries, drops pages that empty, and records
// added and dropped pages in the index's usage map. Page bytes are index_page.h's.
// Between changes it keeps a few parsed pages, used again only while their bytes are unchanged.
// Also the one-page case of a file being created: an entry added to an index that is a single
// leaf, as the catalogue tables of a fresh file have them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/index/index_page.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/core/status.h"
#include "jet/schema/table_storage.h"
#include "jet/core/types.h"

namespace jet {

class IndexTree {
 public:
  // `name` names the index (and its table and file) in errors.
  IndexTree(PageCache& pages, PageAllocator& allocator, const Format& f, std::uint32_t tablePage,
            std::uint32_t rootPage, MapRef owned, std::string name);

  // Adds a leaf entry (childPage unused); kBadPage when the same key and row are there already.
  Status insert(const IndexEntry& entry);
  // Removes the leaf entry with this key and row; kBadPage when there is none.
  Status remove(const IndexEntry& entry);
  // Calls `visit` for the leaf entries whose key starts with `prefix`, in order, until it
  // returns false.
  Status forEachWithPrefix(const std::vector<std::uint8_t>& prefix,
                           const std::function<Result<bool>(const IndexEntry&)>& visit);

 private:
  struct Level {
    std::uint32_t page = 0;
    int position = -1;  // in the parent's stored entries; -1: the parent's tail
  };
  struct Work {
    IndexPage page;
    Page model;
  };
  // A parsed page kept after a change; `model` is its bytes then, `used` when it was last used.
  struct Kept {
    IndexPage page;
    Page model;
    std::uint64_t used = 0;
  };

  Result<std::vector<Level>> descend(const IndexEntry& target);
  Result<IndexPage*> load(std::uint32_t number);
  Result<IndexEntry> lastEntry(std::uint32_t number);
  Status settle(const std::vector<Level>& path);
  Status settleChild(IndexPage& parent, const Level& child);
  Status normalise(IndexPage& node);
  Status split(IndexPage& page, IndexPage& parent, int position);
  Status splitRoot(IndexPage& root);
  Result<std::uint32_t> newPage(const IndexPage& like, bool leaf);
  Status unlink(const IndexPage& page);
  Status flush();
  void keep(std::uint32_t number, Work&& work);
  void keepAll();
  bool fits(const IndexPage& page) const;
  Error damaged(const std::string& why) const;

  PageCache& pages_;
  PageAllocator& allocator_;
  const Format& f_;
  std::uint32_t tablePage_;
  std::uint32_t root_;
  MapRef owned_;
  std::string name_;
  std::map<std::uint32_t, Work> work_;  // pages loaded by the current change
  std::vector<std::uint32_t> dropped_;
  std::map<std::uint32_t, Kept> kept_;  // at most kKeptPages, the least recently used go first
  std::uint64_t clock_ = 0;
};

// The leaf page `page` with the entry (key, row) added in order, for an index whose root is a
// single leaf. A deeper index, or a leaf with no room left, is refused with kUnsupported, never
// split; `unique`: an equal key already present is kUniqueViolation. `what` names the index in
// errors.
Result<std::vector<std::uint8_t>> insertLeafEntry(std::span<const std::uint8_t> page,
                                                  const Format& f, std::uint32_t pageNumber,
                                                  const std::vector<std::uint8_t>& key,
                                                  RowLocator row, bool unique,
                                                  const std::string& what);

}  // namespace jet
