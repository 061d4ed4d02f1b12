// json_row_writer.h: rows as a JSON array of objects keyed by column name in table order, one
// object a line: "[\n{...},\n{...}\n]\n" ("[\n]\n" for no rows).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/row_writer.h"

namespace cli {

class JsonRowWriter : public RowWriter {
 public:
  explicit JsonRowWriter(std::ostream& out) : out_(out) {}
  void begin(const jet::TableDef& table) override;
  void row(const jet::Row& row) override;
  void end() override;

 private:
  std::ostream& out_;
  std::vector<jet::Column> columns_;
  std::vector<std::string> keys_;  // each column's name as a JSON string
  bool first_ = true;
  std::string line_;  // reused for every row
};

}  // namespace cli
