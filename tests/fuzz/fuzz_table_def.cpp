// fuzz_table_def.cpp: table definitions read from arbitrary pages. The first byte picks Jet3 or
// Jet4 and the page the chain starts on; the rest is the file.
#include <cstddef>
#include <cstdint>

#include "jet/schema/table_def.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const jet::Format& f = (data[0] & 1) != 0 ? jet::kFormatJet3 : jet::kFormatJet4;
  std::uint32_t first = (data[0] >> 1) & 0x07;
  fuzz::MemoryFile file(data + 1, size - 1);
  auto pages = jet::PageFile::openReadOnly(file.path());
  if (!pages.ok()) return 0;
  jet::PageReader reader(**pages, f.pageSize, 0);
  (void)jet::readTableDef(reader, f, first, "fuzz", 1252);
  return 0;
}
