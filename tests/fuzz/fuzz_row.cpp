// fuzz_row.cpp: the row codec (and the cell codec and long values behind it) on arbitrary rows
// of arbitrary tables. Input: a byte picking Jet3 or Jet4, a u16 row length, the row, then the
// file whose page 1 holds the table definition and whose other pages hold long values.
#include <cstddef>
#include <cstdint>

#include "jet/row/long_value.h"
#include "jet/row/row_codec.h"
#include "jet/schema/table_def.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const jet::Format& f = (data[0] & 1) != 0 ? jet::kFormatJet3 : jet::kFormatJet4;
  std::size_t rowLength = jet::u16(jet::Bytes(data + 1, 2), 0);
  if (rowLength > size - 3) return 0;
  jet::Bytes row(data + 3, rowLength);
  fuzz::MemoryFile file(data + 3 + rowLength, size - 3 - rowLength);
  auto pages = jet::PageFile::openReadOnly(file.path());
  if (!pages.ok()) return 0;
  jet::PageReader reader(**pages, f.pageSize, 0);
  auto table = jet::readTableDef(reader, f, 1, "fuzz", 1252);
  if (!table.ok()) return 0;
  jet::LongValueReader longValues(reader, f);
  jet::RowContext ctx{f, 1252, longValues};
  (void)jet::decodeRow(row, *table, ctx);
  return 0;
}
