// table_scan.h: reading a table's rows: the streaming scan over its owned pages (page list
// fixed at start, one page held at a time) and the reading of one row by its locator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/row/long_value.h"
#include "jet/pager/page_codec.h"

namespace jet {

struct ScanContext {
  const PageReader& pages;
  const Format& format;
  std::uint16_t codePage = 0;
  const LongValueReader& longValues;
};

// The values of the row whose header slot is `where`, following an overflow pointer, decoded
// into `values` (their room reused); false when the slot is deleted. `page` is page where.page.
Result<bool> readRowInto(const ScanContext& ctx, const TableDef& table, RowLocator where,
                         const PagePtr& page, std::vector<Value>& values);
// Only column `column` of that row, into `cell`; false when the slot is deleted.
Result<bool> readCellAt(const ScanContext& ctx, const TableDef& table, RowLocator where,
                        const PagePtr& page, std::size_t column, Value& cell);
// The same as a fresh vector; nullopt when the slot is deleted.
Result<std::optional<std::vector<Value>>> readRowAt(const ScanContext& ctx, const TableDef& table,
                                                    RowLocator where, const PagePtr& page);

// Whether `page` is a data page of the table whose definition starts at `tdefPage`.
bool isTableDataPage(Bytes page, std::uint32_t tdefPage);

// A streaming scan. The pages it visits are fixed when it starts; rows are delivered in table
// order and memory stays constant in the table's size.
class TableScan {
 public:
  virtual ~TableScan() = default;
  // Fills `row` with the next live row; returns false at the end.
  virtual Result<bool> next(Row& row) = 0;
};

class TableScanImpl : public TableScan {
 public:
  static Result<std::unique_ptr<TableScan>> start(const ScanContext& ctx, const TableDef& table);
  Result<bool> next(Row& row) override;

 private:
  TableScanImpl(const ScanContext& ctx, const TableDef& table, std::vector<std::uint32_t> pages);
  Status loadPage();

  ScanContext ctx_;
  TableDef table_;
  std::vector<std::uint32_t> pages_;
  std::size_t pageIndex_ = 0;
  PagePtr page_;
  std::uint16_t rowCount_ = 0;
  std::uint16_t nextRow_ = 0;
};

}  // namespace jet
