// index_filler.h: the indexes of a table being created: keys of each row as it is inserted,
// then, after the last row, sorted, checked for uniqueness and built bottom-up into each index's
// reserved root page, with the index's usage map. Rows themselves are table_filler.h's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/create/index_sorter.h"
#include "jet/pager/page_store.h"
#include "jet/core/status.h"

namespace jet {

class IndexFiller {
 public:
  // The keys of one row, per index (none for an ignore-nulls index and an all-null row).
  struct RowKeys {
    std::vector<std::vector<SortEntry>> perIndex;
  };

  // `table`: as written (indexes with root pages and usage-map pointers set). `spillPrefix`:
  // where sort runs may go (one file per sorter, removed afterwards). `budget`: memory for keys
  // in all, shared by the table's indexes.
  IndexFiller(PageStore& pages, Version version, const TableDef& table, std::string spillPrefix,
              std::size_t budget);
  ~IndexFiller();

  // The keys of a row about to be inserted; refuses (changing nothing) a null in a primary key
  // and values that cannot be keyed, naming the table, index and column.
  Result<RowKeys> keys(const std::vector<Value>& values) const;
  // Records the keys of the row now stored at `at`.
  Status add(RowKeys keys, RowLocator at);
  // Sorts, refuses duplicates under unique indexes (kUniqueViolation naming the index and the
  // value), writes every index and its usage map. Call once, after the last row.
  Status finish();

 private:
  struct Index;
  Status build(Index& index);
  Status writeMaps();
  Status writeKeyCounts();

  PageStore& pages_;
  Version version_;
  const TableDef& table_;
  std::vector<std::unique_ptr<Index>> indexes_;
};

}  // namespace jet
