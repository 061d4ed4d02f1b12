// table_scan.cpp: row reading and the streaming table scan. Layout: docs/format/data_page.md.
#include "jet/row/table_scan.h"

#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"
#include "jet/row/row_codec.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

// Access moves a row at most once; a longer chain of overflow pointers is damage.
constexpr int kMaxOverflowHops = 4;

Error rowError(const ScanContext& ctx, const TableDef& table, RowLocator at,
               const std::string& what) {
  return Error{err::kBadPage, "'" + ctx.pages.path() + "', table '" + table.name + "', page " +
                                  std::to_string(at.page) + " row " + std::to_string(at.row) +
                                  ": " + what + "."};
}

// Follows overflow pointers from `slot` to the row holding the data.
Result<Bytes> followOverflow(const ScanContext& ctx, const TableDef& table, RowLocator at,
                             RowSlot slot, PagePtr& holder) {
  for (int hop = 0; slot.overflow; ++hop) {
    if (hop == kMaxOverflowHops) return rowError(ctx, table, at, "overflow pointers loop");
    if (slot.bytes.size() < 4) return rowError(ctx, table, at, "overflow pointer too short");
    RowPointer to = splitPointer(u32(slot.bytes, 0));
    auto page = ctx.pages.page(to.page);
    if (!page.ok()) return rowError(ctx, table, at, page.error().description);
    holder = *page;
    auto next = dataRow(*holder, ctx.format, to.row);
    if (!next.ok()) {
      return rowError(
          ctx, table, at,
          "overflow row at page " + std::to_string(to.page) + ": " + next.error().description);
    }
    slot = *next;
    slot.deleted = false;  // overflow targets are flagged deleted so that scans skip them
  }
  return slot.bytes;
}

}  // namespace

bool isTableDataPage(Bytes page, std::uint32_t tdefPage) {
  return page.size() >= 8 && page[0] == kPageTypeData && u32(page, 4) == tdefPage;
}

Result<bool> readRowInto(const ScanContext& ctx, const TableDef& table, RowLocator where,
                         const PagePtr& page, std::vector<Value>& values) {
  auto slot = dataRow(*page, ctx.format, where.row);
  if (!slot.ok()) return rowError(ctx, table, where, slot.error().description);
  if (slot->deleted) return false;
  PagePtr holder = page;
  JET_ASSIGN_OR_RETURN(Bytes bytes, followOverflow(ctx, table, where, *slot, holder));
  RowContext rc{ctx.format, ctx.codePage, ctx.longValues};
  Status decoded = decodeRowInto(bytes, table, rc, values);
  if (!decoded.ok()) return rowError(ctx, table, where, decoded.description());
  return true;
}

Result<bool> readCellAt(const ScanContext& ctx, const TableDef& table, RowLocator where,
                        const PagePtr& page, std::size_t column, Value& cell) {
  auto slot = dataRow(*page, ctx.format, where.row);
  if (!slot.ok()) return rowError(ctx, table, where, slot.error().description);
  if (slot->deleted) return false;
  PagePtr holder = page;
  JET_ASSIGN_OR_RETURN(Bytes bytes, followOverflow(ctx, table, where, *slot, holder));
  RowContext rc{ctx.format, ctx.codePage, ctx.longValues};
  cell = Value{};
  if (column >= table.columns.size()) return true;
  Status decoded = decodeCellOf(bytes, table, column, rc, cell);
  if (!decoded.ok()) return rowError(ctx, table, where, decoded.description());
  return true;
}

Result<std::optional<std::vector<Value>>> readRowAt(const ScanContext& ctx, const TableDef& table,
                                                    RowLocator where, const PagePtr& page) {
  std::vector<Value> values;
  JET_ASSIGN_OR_RETURN(bool live, readRowInto(ctx, table, where, page, values));
  if (!live) return std::optional<std::vector<Value>>();
  return std::optional<std::vector<Value>>(std::move(values));
}

Result<std::unique_ptr<TableScan>> TableScanImpl::start(const ScanContext& ctx,
                                                        const TableDef& table) {
  auto map = UsageMap::read(ctx.pages, ctx.format, table.ownedMap);
  if (!map.ok()) {
    return Error{map.error().number,
                 map.error().description + " (pages of table '" + table.name + "')"};
  }
  return std::unique_ptr<TableScan>(new TableScanImpl(ctx, table, map->pages()));
}

TableScanImpl::TableScanImpl(const ScanContext& ctx, const TableDef& table,
                             std::vector<std::uint32_t> pages)
    : ctx_(ctx), table_(table), pages_(std::move(pages)) {}

// Loads pages_[pageIndex_]; pages that are not this table's data pages hold no rows.
Status TableScanImpl::loadPage() {
  JET_ASSIGN_OR_RETURN(page_, ctx_.pages.page(pages_[pageIndex_]));
  rowCount_ = 0;
  nextRow_ = 0;
  if (!isTableDataPage(*page_, table_.tdefPage)) return {};
  auto count = dataRowCount(*page_, ctx_.format);
  if (!count.ok()) {
    return rowError(ctx_, table_, {pages_[pageIndex_], 0}, count.error().description);
  }
  rowCount_ = *count;
  return {};
}

Result<bool> TableScanImpl::next(Row& row) {
  while (pageIndex_ < pages_.size()) {
    if (!page_) JET_TRY(loadPage());
    while (nextRow_ < rowCount_) {
      RowLocator at{pages_[pageIndex_], nextRow_++};
      JET_ASSIGN_OR_RETURN(bool live, readRowInto(ctx_, table_, at, page_, row.values));
      if (!live) continue;
      row.locator = at;
      return true;
    }
    page_.reset();
    ++pageIndex_;
  }
  return false;
}

}  // namespace jet
