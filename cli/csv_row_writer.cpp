// csv_row_writer.cpp: writes the header line and each row as one CSV record.
#include "cli/csv_row_writer.h"

#include "cli/cell_text.h"
#include "cli/quoting.h"

namespace cli {

void CsvRowWriter::begin(const jet::TableDef& table) {
  columns_ = table.columns;
  line_.clear();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i != 0) line_ += ',';
    appendCsvField(line_, columns_[i].name);
  }
  out_ << line_ << "\r\n";
}

void CsvRowWriter::row(const jet::Row& row) {
  line_.clear();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i != 0) line_ += ',';
    if (i < row.values.size()) appendCsvCell(line_, columns_[i], row.values[i]);
  }
  line_ += "\r\n";
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

void CsvRowWriter::end() { out_.flush(); }

}  // namespace cli
