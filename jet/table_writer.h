// table_writer.h: changes text and memo cells of existing rows. Unchanged cells keep their bytes;
// a row that still fits stays on its page, one that does not moves and leaves an overflow pointer
// in its slot, so locators and index entries stay valid. Every check runs before the first change,
// and a failed update leaves the pages as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/database.h"
#include "jet/index_maintainer.h"
#include "jet/long_value_writer.h"
#include "jet/page_allocator.h"
#include "jet/page_cache.h"
#include "jet/status.h"
#include "jet/table_storage.h"

namespace jet {

// New values: index into TableDef::columns -> value (text in UTF-8, or null).
using CellChanges = std::vector<std::pair<std::size_t, Value>>;

inline std::size_t maxRowSize(bool jet3) { return jet3 ? 2012 : 4060; }
inline constexpr std::uint8_t kSystemTableType = 0x53;  // table definition byte 20 / 40

class TableWriter {
 public:
  // `codePage`: the header's (Jet3 text); `file` names the database in errors; `version`
  // (Jet4 and later) picks index key details.
  TableWriter(PageCache& pages, PageAllocator& allocator, TableStorage table, bool jet3,
              std::uint16_t codePage, std::string file, Version version = Version::kJet4);

  const TableStorage& table() const { return table_; }
  // Refuses (nothing changed) columns that are complex, calculated, fixed-length text or not
  // text/memo/OLE-with-bytes, indexed columns whose indexes cannot be kept (IndexMaintainer),
  // values too long, and rows beyond the format's size. Indexes over changed columns change in
  // the same batch as the row.
  Status updateRow(RowLocator where, const CellChanges& changes);
  // The same checks without changing anything.
  Status checkColumn(std::size_t column, const Value& value) const;

 private:
  struct Located {
    Page header;                       // page holding the row's slot
    std::optional<RowLocator> target;  // where the data lives when the slot overflowed
    Page data;                         // page holding the data (copy of header when same)
    std::size_t dataRow = 0;
    std::uint16_t dataFlags = 0;
  };
  Result<Located> locate(RowLocator where) const;
  Result<ByteVector> buildRow(std::span<const std::uint8_t> old, const CellChanges& changes,
                              std::vector<ByteVector>& released);
  Status place(RowLocator where, Located& at, const ByteVector& row);
  Result<std::uint32_t> pageWithRoom(std::size_t size, std::uint32_t avoid);
  std::string where(RowLocator at) const;
  Result<ByteVector> storedRow(RowLocator at) const;

  PageCache& pages_;
  PageAllocator& allocator_;
  LongValueWriter longValues_;
  TableStorage table_;
  bool jet3_;
  std::uint16_t codePage_;
  std::string file_;
  std::optional<std::uint32_t> lastTarget_;
  IndexMaintainer indexes_;
};

}  // namespace jet
