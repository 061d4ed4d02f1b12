// index_maintainer.h: keeps a table's indexes in step with a changed row: for each index over a
// changed column, the old entry leaves and the new one arrives (index_tree.h). Refuses changes
// that would break a unique index, touch a relationship, or need a sort order it cannot rebuild.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/schema/schema.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/row/row_codec.h"
#include "jet/core/status.h"

namespace jet {

class IndexMaintainer {
 public:
  IndexMaintainer(PageCache& pages, PageAllocator& allocator, const TableDef& table,
                  Version version, std::uint16_t codePage, bool hasVariableColumns,
                  std::string file);

  // Whether any index covers column number `column`.
  bool indexed(std::uint16_t column) const;
  // Refuses (kRelationship, kUnsupported, kNotWritable) a column whose indexes cannot be kept.
  Status checkColumn(const Column& column) const;
  // Moves the entries of row `at` in every index over `changedColumns` (column numbers) from
  // the key of `oldRow` to that of `newRow`. A unique index that would hold the new key twice is
  // refused with kUniqueViolation before any index changes; keys are compared as Access compares
  // them, by their bytes, in which case plays no part ("abc", "ABC"; "straße", "STRASSE"). A key
  // new to its index adds one to the index's unique-entry count in the table definition.
  Status update(RowLocator at, std::span<const std::uint8_t> oldRow,
                std::span<const std::uint8_t> newRow,
                const std::vector<std::uint16_t>& changedColumns);

 private:
  struct Move {
    const IndexDef* index = nullptr;
    bool removeOld = false;
    bool insertNew = false;
    std::vector<std::uint8_t> oldKey;
    std::vector<std::uint8_t> newKey;
    bool newDistinctKey = false;  // no other row holds newKey
  };
  Result<std::vector<KeyPart>> keyParts(const IndexDef& index,
                                        std::span<const std::uint8_t> row) const;
  Result<Move> plan(const IndexDef& index, RowLocator at, std::span<const std::uint8_t> oldRow,
                    std::span<const std::uint8_t> newRow);
  Result<bool> heldByAnother(const IndexDef& index, RowLocator at,
                             const std::vector<std::uint8_t>& key);
  Status countNewKey(const IndexDef& index);
  // The tree of `index`, made on first use and kept, so that its parsed pages serve later rows.
  IndexTree& tree(const IndexDef& index);
  const Column* column(std::uint16_t number) const;
  std::string indexName(const IndexDef& index) const;
  std::string relationship(const LogicalIndexDef& index) const;

  PageCache& pages_;
  PageAllocator& allocator_;
  const TableDef& table_;
  Version version_;
  const Format& f_;
  std::uint16_t codePage_;
  bool hasVariableColumns_;
  std::string file_;
  std::map<std::uint32_t, IndexTree> trees_;  // by index number
};

}  // namespace jet
