// index_maintainer.h: keeps a table's indexes in step with a changed row: for each index over a
// changed column, the old entry leaves and the new one arrives (index_tree.h). Refuses changes
// that would break a unique index, touch a relationship, or need a sort order it cannot rebuild.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/index_key.h"
#include "jet/page_allocator.h"
#include "jet/page_cache.h"
#include "jet/row_layout.h"
#include "jet/status.h"

namespace jet {

// A row's stored bytes by its locator (overflow pointers followed).
using RowFetcher = std::function<Result<ByteVector>(RowLocator)>;

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
  // the key of `oldRow` to that of `newRow`. A unique index that would hold the new key twice
  // (case ignored) is refused with kUniqueViolation before any index changes.
  Status update(RowLocator at, std::span<const std::uint8_t> oldRow,
                std::span<const std::uint8_t> newRow,
                const std::vector<std::uint16_t>& changedColumns, const RowFetcher& fetch);

 private:
  struct Move {
    const IndexDef* index = nullptr;
    bool removeOld = false;
    bool insertNew = false;
    std::vector<std::uint8_t> oldKey;
    std::vector<std::uint8_t> newKey;
  };
  Result<std::vector<KeyPart>> keyParts(const IndexDef& index,
                                        std::span<const std::uint8_t> row) const;
  Result<Move> plan(const IndexDef& index, RowLocator at, std::span<const std::uint8_t> oldRow,
                    std::span<const std::uint8_t> newRow, const RowFetcher& fetch);
  Result<bool> duplicated(const IndexDef& index, RowLocator at, const std::vector<KeyPart>& parts,
                          const RowFetcher& fetch);
  const Column* column(std::uint16_t number) const;
  std::string indexName(const IndexDef& index) const;
  std::string relationship(const LogicalIndexDef& index) const;

  PageCache& pages_;
  PageAllocator& allocator_;
  const TableDef& table_;
  Version version_;
  std::uint16_t codePage_;
  bool hasVariableColumns_;
  std::string file_;
};

// `text` with its letters in upper case (ASCII and Latin-1), as Access compares unique keys.
std::string foldCase(std::string_view text);

}  // namespace jet
