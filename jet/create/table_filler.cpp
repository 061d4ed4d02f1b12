// table_filler.cpp: bulk insertion into a new table.
#include "jet/create/table_filler.h"

#include <algorithm>
#include <map>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/schema/table_def.h"

namespace jet {

// Long-value rows go to pages of their own column, each written as it fills.
class TableFiller::LongValues : public LongValueStore {
 public:
  LongValues(PageStore& pages, const Format& f) : pages_(pages), f_(f) {}

  Result<std::uint32_t> store(std::uint16_t column, std::span<const std::uint8_t> row) override {
    Column& c = columns_.try_emplace(column, f_).first->second;
    if (!c.filler.fits(row.size())) JET_TRY(flush(c));
    if (c.filler.empty()) c.page = pages_.reserve();
    std::uint8_t number = c.filler.add(row);
    return mapPointer(c.page, number);
  }

  Status flushAll() {
    for (auto& [number, c] : columns_) JET_TRY(flush(c));
    return {};
  }

  std::vector<std::uint32_t> pages(std::uint16_t column) const {
    auto it = columns_.find(column);
    return it == columns_.end() ? std::vector<std::uint32_t>{} : it->second.written;
  }

 private:
  struct Column {
    explicit Column(const Format& f) : filler(f, 0, true) {}
    PageFiller filler;
    std::uint32_t page = 0;
    std::vector<std::uint32_t> written;
  };

  Status flush(Column& c) {
    if (c.filler.empty()) return {};
    Status written = pages_.write(c.page, c.filler.page());
    failed = failed || !written.ok();
    JET_TRY(written);
    c.written.push_back(c.page);
    c.filler.reset();
    return {};
  }

  PageStore& pages_;
  const Format& f_;
  std::map<std::uint16_t, Column> columns_;

 public:
  bool failed = false;  // a page could not be written: the file is not to be finished
};

TableFiller::TableFiller(PageStore& pages, const Format& f, TableDef table)
    : pages_(pages),
      f_(f),
      table_(std::move(table)),
      data_(f, table_.tdefPage, false),
      longValues_(std::make_unique<LongValues>(pages, f)) {}

TableFiller::~TableFiller() = default;

Status TableFiller::insert(const std::vector<Value>& values) {
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> row, encodeNewRow(table_, values, *longValues_));
  if (!data_.fits(row.size())) JET_TRY(flushData());
  if (data_.empty()) dataPage_ = pages_.reserve();
  std::uint8_t number = data_.add(row);
  lastRow_ = RowLocator{dataPage_, number};
  ++rows_;
  return {};
}

bool TableFiller::broken() const { return broken_ || longValues_->failed; }

Status TableFiller::flushData() {
  if (data_.empty()) return {};
  Status written = pages_.write(dataPage_, data_.page());
  broken_ = broken_ || !written.ok();
  JET_TRY(written);
  dataPages_.push_back(dataPage_);
  data_.reset();
  return {};
}

Status TableFiller::setMapRow(std::vector<std::uint8_t>& mapPage, std::uint32_t pointer,
                              const std::vector<std::uint32_t>& owned) {
  std::map<std::uint32_t, std::uint32_t> slots;
  for (auto& [slot, bitmap] : buildBitmapPages(owned, f_.pageSize)) {
    if (slot >= referenceSlots()) {
      return Error{err::kUnsupported, "Table \"" + table_.name +
                                          "\" grew past the largest "
                                          "file size this engine can map."};
    }
    std::uint32_t page = pages_.reserve();
    JET_TRY(pages_.write(page, bitmap));
    slots[slot] = page;
  }
  std::vector<std::uint8_t> row = referenceMapRow(slots);
  std::size_t rowNumber = pointer & 0xFF;
  std::size_t start = u16(mapPage, f_.dataRowTable + 2 * rowNumber) & kRowOffsetMask;
  std::copy(row.begin(), row.end(), mapPage.begin() + static_cast<std::ptrdiff_t>(start));
  return {};
}

Status TableFiller::writeMaps() {
  std::uint32_t mapPageNumber = table_.ownedMap >> 8;
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> mapPage, pages_.read(mapPageNumber));
  JET_TRY(setMapRow(mapPage, table_.ownedMap, dataPages_));
  for (const LongValueMaps& lv : table_.longValueMaps) {
    JET_TRY(setMapRow(mapPage, lv.ownedMap, longValues_->pages(lv.columnNumber)));
  }
  return pages_.write(mapPageNumber, mapPage);
}

Status TableFiller::finish() {
  JET_TRY(flushData());
  JET_TRY(longValues_->flushAll());
  JET_TRY(writeMaps());
  if (rows_ > 0xFFFFFFFFu) {
    return Error{err::kUnsupported, "Table \"" + table_.name + "\" has too many rows."};
  }
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> tdef, pages_.read(table_.tdefPage));
  setTableDefRowCount(tdef, f_, static_cast<std::uint32_t>(rows_));
  return pages_.write(table_.tdefPage, tdef);
}

}  // namespace jet
