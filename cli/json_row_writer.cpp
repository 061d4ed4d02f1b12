// json_row_writer.cpp: writes each row as one JSON object line inside an array.
#include "cli/json_row_writer.h"

#include "cli/cell_text.h"
#include "cli/quoting.h"

namespace cli {

void JsonRowWriter::begin(const jet::TableDef& table) {
  columns_ = table.columns;
  keys_.clear();
  for (const jet::Column& c : columns_) keys_.push_back(jsonString(c.name));
  first_ = true;
  out_ << "[\n";
}

void JsonRowWriter::row(const jet::Row& row) {
  line_.clear();
  if (!first_) line_ += ",\n";
  first_ = false;
  line_ += '{';
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i != 0) line_ += ',';
    line_ += keys_[i];
    line_ += ':';
    if (i < row.values.size()) {
      appendJsonCell(line_, columns_[i], row.values[i]);
    } else {
      line_ += "null";
    }
  }
  line_ += '}';
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

void JsonRowWriter::end() {
  if (!first_) out_ << '\n';
  out_ << "]\n";
  out_.flush();
}

}  // namespace cli
