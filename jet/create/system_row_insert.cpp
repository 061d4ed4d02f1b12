// system_row_insert.cpp: rows and index entries for the catalogue tables.
#include "jet/create/system_row_insert.h"

#include <algorithm>
#include <map>
#include <set>

#include "jet/core/bytes.h"
#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/row/row_codec.h"
#include "jet/page/usage_map.h"
#include "jet/page/data_page.h"
#include "jet/schema/table_def.h"

namespace jet {
namespace {

using ByteVector = std::vector<std::uint8_t>;
using Changes = std::map<std::uint32_t, ByteVector>;

// A usage-map row: u8 type, then an inline map's u32 first page and bitmap, or a reference
// map's u32 bitmap pages. A bitmap page's bits start after its 4-byte header.
constexpr std::uint8_t kInlineMap = 0x00;
constexpr std::uint8_t kReferenceMap = 0x01;
constexpr std::size_t kMapStart = 1;
constexpr std::size_t kInlineBits = 5;
constexpr std::size_t kBitmapPageBits = 4;
constexpr std::size_t kOwnerPage = 4;  // u32 on a data page: its table's definition page

// System rows hold no long values beyond the inline size.
class NoLongValues : public LongValueStore {
 public:
  explicit NoLongValues(std::string table) : table_(std::move(table)) {}
  Result<std::uint32_t> store(std::uint16_t, std::span<const std::uint8_t>) override {
    return Error{err::kUnsupported, "A value for table \"" + table_ + "\" is too long."};
  }

 private:
  std::string table_;
};

Result<ByteVector> pageWithChanges(const PageStore& pages, const Changes& changes,
                                   std::uint32_t n) {
  auto it = changes.find(n);
  if (it != changes.end()) return it->second;
  return pages.read(n);
}

// Pages an inline map lists.
std::vector<std::uint32_t> inlinePages(std::span<const std::uint8_t> row) {
  std::vector<std::uint32_t> out;
  std::uint32_t first = u32(row, kMapStart);
  for (std::size_t bit = 0; bit < (row.size() - kInlineBits) * 8; ++bit) {
    if ((row[kInlineBits + bit / 8] >> (bit % 8)) & 1) {
      out.push_back(first + static_cast<std::uint32_t>(bit));
    }
  }
  return out;
}

// Rewrites the map row `row` as a reference map listing `listed`, with new bitmap pages.
bool promoteToReference(PageStore& pages, std::span<std::uint8_t> row,
                        const std::vector<std::uint32_t>& listed, Changes& changes) {
  BitmapPages bitmaps = buildBitmapPages(listed, pages.pageSize());
  if (!bitmaps.empty() && kMapStart + 4 * (bitmaps.rbegin()->first + 1) > row.size()) {
    return false;
  }
  std::fill(row.begin(), row.end(), 0);
  row[0] = kReferenceMap;
  for (auto& [slot, bitmap] : bitmaps) {
    std::uint32_t n = pages.reserve();
    changes[n] = std::move(bitmap);
    put32(row, kMapStart + 4 * slot, n);
  }
  return true;
}

// Adds `page` to the table's owned map: a bit in an inline map that reaches it, else the map
// becomes a reference map (as Access does when a table outgrows an inline map), or a bit on a
// reference map's bitmap page, added when missing.
Status addOwnedPage(PageStore& pages, const SystemTable& table, const Format& f, std::uint32_t page,
                    Changes& changes) {
  std::uint32_t mapPage = table.def.ownedMap >> 8;
  JET_ASSIGN_OR_RETURN(ByteVector holder, pageWithChanges(pages, changes, mapPage));
  auto bounds = DataPageEditor(holder, f.jet3).bounds(table.def.ownedMap & 0xFF);
  Error full{err::kUnsupported, "The usage map of table \"" + table.def.name +
                                    "\" cannot take another page; this file cannot take more "
                                    "tables."};
  if (!bounds || bounds->first + kInlineBits > bounds->second) return full;
  auto [start, end] = *bounds;
  std::span<std::uint8_t> row = std::span(holder).subspan(start, end - start);
  if (row[0] == kInlineMap) {
    std::uint32_t first = u32(row, kMapStart);
    if (page >= first && page - first < (row.size() - kInlineBits) * 8) {
      std::size_t bit = page - first;
      row[kInlineBits + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    } else {
      std::vector<std::uint32_t> listed = inlinePages(row);
      listed.push_back(page);
      if (!promoteToReference(pages, row, listed, changes)) return full;
    }
    changes[mapPage] = std::move(holder);
    return {};
  }
  std::uint32_t per = pagesPerBitmapPage(f.pageSize);
  std::size_t slotAt = kMapStart + 4 * (page / per);
  if (slotAt + 4 > row.size()) return full;
  std::uint32_t bitmapPage = u32(row, slotAt);
  ByteVector bitmap;
  if (bitmapPage == 0) {
    bitmapPage = pages.reserve();
    bitmap.assign(f.pageSize, 0);
    bitmap[0] = kPageTypeUsageBitmap;
    bitmap[1] = 0x01;
    put32(row, slotAt, bitmapPage);
    changes[mapPage] = holder;
  } else {
    JET_ASSIGN_OR_RETURN(bitmap, pageWithChanges(pages, changes, bitmapPage));
  }
  std::uint32_t bit = page % per;
  bitmap[kBitmapPageBits + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  changes[bitmapPage] = std::move(bitmap);
  return {};
}

Result<RowLocator> placeRow(PageStore& pages, const SystemTable& table, const Format& f,
                            std::span<const std::uint8_t> row, Changes& changes) {
  for (auto it = table.rowPages.rbegin(); it != table.rowPages.rend(); ++it) {
    JET_ASSIGN_OR_RETURN(ByteVector page, pageWithChanges(pages, changes, *it));
    if (page[0] != kPageTypeData || u32(page, kOwnerPage) != table.def.tdefPage) continue;
    std::optional<std::size_t> number = DataPageEditor(page, f.jet3).append(row, 0);
    if (!number) continue;
    changes[*it] = std::move(page);
    return RowLocator{*it, static_cast<std::uint16_t>(*number)};
  }
  // Every page is full: the row starts a page of its own, added to the table's owned map.
  std::uint32_t fresh = pages.reserve();
  PageFiller filler(f, table.def.tdefPage, false);
  std::uint8_t number = filler.add(row);
  changes[fresh] = filler.page();
  JET_TRY(addOwnedPage(pages, table, f, fresh, changes));
  return RowLocator{fresh, number};
}

}  // namespace

Result<ByteVector> systemIndexKey(const SystemTable& table, const IndexDef& index, Version version,
                                  const std::vector<Value>& values) {
  std::vector<KeyPart> parts;
  for (const IndexColumn& ic : index.columns) {
    auto col = std::find_if(table.def.columns.begin(), table.def.columns.end(),
                            [&](const Column& c) { return c.number == ic.columnNumber; });
    if (col == table.def.columns.end()) {
      return Error{err::kBadPage,
                   "An index of table \"" + table.def.name + "\" names a column it does not have."};
    }
    KeyPart part;
    part.type = col->type;
    part.ascending = ic.ascending;
    part.version = version;
    part.column = col->name;
    part.value = values[static_cast<std::size_t>(col - table.def.columns.begin())];
    if (col->type == ColumnType::kText || col->type == ColumnType::kMemo) {
      JET_ASSIGN_OR_RETURN(part.sortOrder, textSortOrderOf(version, col->sortOrder,
                                                           col->sortOrderVersion, col->name));
    }
    parts.push_back(std::move(part));
  }
  return encodeIndexKey(parts);
}

Result<SystemTable> loadSystemTable(const Database& db, std::string_view name) {
  SystemTable out;
  JET_ASSIGN_OR_RETURN(out.def, db.table(name));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableScan> scan, db.scan(out.def));
  std::set<std::uint32_t> pages;
  Row row;
  for (;;) {
    JET_ASSIGN_OR_RETURN(bool more, scan->next(row));
    if (!more) break;
    pages.insert(row.locator.page);
  }
  out.rowPages.assign(pages.begin(), pages.end());
  return out;
}

Status insertSystemRow(PageStore& pages, const SystemTable& table, Version version,
                       const std::vector<Value>& values) {
  const Format& f = formatFor(version);
  NoLongValues noLongValues(table.def.name);
  JET_ASSIGN_OR_RETURN(ByteVector row, encodeNewRow(table.def, values, noLongValues));
  Changes changes;
  JET_ASSIGN_OR_RETURN(RowLocator where, placeRow(pages, table, f, row, changes));
  for (const IndexDef& index : table.def.indexes) {
    JET_ASSIGN_OR_RETURN(ByteVector key, systemIndexKey(table, index, version, values));
    JET_ASSIGN_OR_RETURN(ByteVector root, pageWithChanges(pages, changes, index.rootPage));
    std::string what =
        "number " + std::to_string(index.number) + " of table \"" + table.def.name + "\"";
    JET_ASSIGN_OR_RETURN(changes[index.rootPage],
                         insertLeafEntry(root, f, index.rootPage, key, where,
                                         (index.flags & kIndexUnique) != 0, what));
  }
  JET_ASSIGN_OR_RETURN(ByteVector tdef, pageWithChanges(pages, changes, table.def.tdefPage));
  setTableDefRowCount(tdef, f, tableDefRowCount(tdef, f) + 1);
  changes[table.def.tdefPage] = std::move(tdef);
  for (const auto& [n, page] : changes) JET_TRY(pages.write(n, page));
  return {};
}

}  // namespace jet
