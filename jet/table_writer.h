// table_writer.h: changes text, memo and OLE cells of existing rows, in place or moved behind an
// overflow pointer (locators and index entries stay valid), keeping the free-space map in step.
// Every check runs before the first change; a failed update leaves the pages as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/database.h"
#include "jet/index/index_maintainer.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/row/long_value.h"
#include "jet/schema/table_storage.h"

namespace jet {

// New values: index into TableDef::columns -> value (null, text in UTF-8 for text and memo
// columns, bytes for OLE columns).
using CellChanges = std::vector<std::pair<std::size_t, Value>>;

inline constexpr std::uint8_t kSystemTableType = 0x53;  // table definition byte 20 / 40

class TableWriter {
 public:
  // `format`: the file's (formatFor); `codePage`: the header's (Jet3 text); `file` names the
  // database in errors; `version` (Jet4 and later) picks index key details.
  TableWriter(PageCache& pages, PageAllocator& allocator, TableStorage table, const Format& format,
              std::uint16_t codePage, std::string file, Version version = Version::kJet4);

  const TableStorage& table() const { return table_; }
  // Refuses (nothing changed) columns that are complex, calculated, fixed-length text or not
  // text/memo/OLE, text given to an OLE column and bytes given to a text or memo column
  // (kCantConvertValue), indexed columns whose indexes cannot be kept (IndexMaintainer),
  // values too long, and rows beyond the format's size. Indexes over changed columns change in
  // the same batch as the row.
  Status updateRow(RowLocator where, const CellChanges& changes);
  // The same checks without changing anything.
  Status checkColumn(std::size_t column, const Value& value) const;

 private:
  struct Located {
    Page header;                       // page holding the row's slot (empty when it is data)
    std::optional<RowLocator> target;  // where the data lives when the slot overflowed
    Page data;                         // page holding the data
    std::size_t dataRow = 0;
    std::uint16_t dataFlags = 0;
  };
  Result<Located> locate(RowLocator where) const;
  // The stored bytes of a text, memo or OLE value; errors name the column and the table.
  Result<ByteVector> encodeCell(const Column& c, const Value& value) const;
  Result<ByteVector> buildRow(std::span<const std::uint8_t> old, const CellChanges& changes,
                              std::vector<ByteVector>& released);
  // Puts the row back; `touched` gets the data pages whose rows changed.
  Status place(RowLocator where, Located& at, const ByteVector& row,
               std::vector<std::uint32_t>& touched);
  Result<std::uint32_t> pageWithRoom(std::size_t size, std::uint32_t avoid);
  Result<std::optional<std::uint32_t>> offeredPage(std::size_t size, std::uint32_t avoid);
  // Sets `page`'s bit in the free-space map when it can take a row of the table's smallest size
  // (and a slot for it), clears it when it cannot.
  Status noteRoom(std::uint32_t page);
  std::string where(RowLocator at) const;

  PageCache& pages_;
  PageAllocator& allocator_;
  LongValueWriter longValues_;
  TableStorage table_;
  const Format& format_;
  std::uint16_t codePage_;
  std::string file_;
  std::optional<std::uint32_t> lastTarget_;
  std::size_t minimalRow_ = 0;  // bytes of a row with every column null
  IndexMaintainer indexes_;
};

}  // namespace jet
