// csv_row_writer.h: rows as RFC 4180 CSV: a header line of column names, then one line a row,
// every line ended by CRLF.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/row_writer.h"

namespace cli {

class CsvRowWriter : public RowWriter {
 public:
  explicit CsvRowWriter(std::ostream& out) : out_(out) {}
  void begin(const jet::TableDef& table) override;
  void row(const jet::Row& row) override;
  void end() override;

 private:
  std::ostream& out_;
  std::vector<jet::Column> columns_;
  std::string line_;  // reused for every row
};

}  // namespace cli
