// row_writer.cpp: picks the writer for an export format by name.
#include "cli/row_writer.h"

#include "cli/csv_row_writer.h"
#include "cli/json_row_writer.h"

namespace cli {

std::unique_ptr<RowWriter> makeRowWriter(std::string_view format, std::ostream& out) {
  if (format == "json") return std::make_unique<JsonRowWriter>(out);
  if (format == "csv") return std::make_unique<CsvRowWriter>(out);
  return nullptr;
}

}  // namespace cli
