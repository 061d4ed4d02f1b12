// fuzz_usage_map.cpp: usage maps (inline and reference) read from arbitrary pages. The first
// byte picks Jet3 or Jet4 and the next four give the map pointer; the rest is the file.
#include <cstddef>
#include <cstdint>

#include "jet/page/usage_map.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const jet::Format& f = (data[0] & 1) != 0 ? jet::kFormatJet3 : jet::kFormatJet4;
  std::uint32_t pointer = jet::u32(jet::Bytes(data + 1, 4), 0);
  fuzz::MemoryFile file(data + 5, size - 5);
  auto pages = jet::PageFile::openReadOnly(file.path());
  if (!pages.ok()) return 0;
  jet::PageReader reader(**pages, f.pageSize, 0);
  auto map = jet::UsageMap::read(reader, f, pointer);
  if (map.ok()) (void)map->contains(pointer >> 8);
  return 0;
}
