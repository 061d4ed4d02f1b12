// row_writer.h: where exported rows go. A writer gets the table first, then each row as it is
// read, then the end; it writes as it goes and keeps no rows.
#pragma once

#include <iosfwd>
#include <memory>
#include <string_view>

#include "db/table_rows.h"  // jet::TableDef and jet::Row, as db/ hands them out

namespace cli {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual void begin(const jet::TableDef& table) = 0;
  virtual void row(const jet::Row& row) = 0;
  virtual void end() = 0;
};

// "json" or "csv"; null for any other name.
std::unique_ptr<RowWriter> makeRowWriter(std::string_view format, std::ostream& out);

}  // namespace cli
