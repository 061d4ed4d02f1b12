// table_filler.h: streams rows into a table this engine just created: fills data pages and
// long-value pages one at a time and writes each as it fills, so memory stays flat however many
// rows come. finish() writes the table's usage maps and row count.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/core/format.h"
#include "jet/row/row_codec.h"
#include "jet/page/data_page.h"
#include "jet/pager/page_store.h"
#include "jet/core/status.h"

namespace jet {

class TableFiller {
 public:
  // `table`: as laid out and written (tdefPage, ownedMap, freeMap and longValueMaps set; every
  // map row lies on the page `ownedMap` names, in kUsageMapRowSize-byte rows).
  TableFiller(PageStore& pages, const Format& f, TableDef table);
  ~TableFiller();

  const TableDef& table() const { return table_; }
  std::uint64_t rowCount() const { return rows_; }
  // Where the row the last successful insert() stored lives (its index entries point there).
  RowLocator lastRow() const { return lastRow_; }
  // A refused value leaves the table as it was; broken() tells when a page could not be written.
  Status insert(const std::vector<Value>& values);
  bool broken() const;
  // Writes the last pages, the usage maps and the row count. Call once, after the last insert.
  Status finish();

 private:
  class LongValues;
  Status flushData();
  Status writeMaps();
  Status setMapRow(std::vector<std::uint8_t>& mapPage, std::uint32_t pointer,
                   const std::vector<std::uint32_t>& owned);

  PageStore& pages_;
  const Format& f_;
  TableDef table_;
  PageFiller data_;
  std::uint32_t dataPage_ = 0;  // number reserved for the page being filled
  std::vector<std::uint32_t> dataPages_;
  std::unique_ptr<LongValues> longValues_;
  std::uint64_t rows_ = 0;
  RowLocator lastRow_;
  bool broken_ = false;
};

}  // namespace jet
