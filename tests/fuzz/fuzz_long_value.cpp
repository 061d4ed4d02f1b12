// fuzz_long_value.cpp: memo/OLE values: a 12-byte descriptor followed by the file its rows live
// in. The first byte picks Jet3 or Jet4.
#include <cstddef>
#include <cstdint>

#include "jet/row/long_value.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 13) return 0;
  const jet::Format& f = (data[0] & 1) != 0 ? jet::kFormatJet3 : jet::kFormatJet4;
  fuzz::MemoryFile file(data + 13, size - 13);
  auto pages = jet::PageFile::openReadOnly(file.path());
  if (!pages.ok()) return 0;
  jet::PageReader reader(**pages, f.pageSize, 0);
  jet::LongValueReader longValues(reader, f);
  (void)longValues.read(jet::Bytes(data + 1, 12));
  return 0;
}
