// fuzz_header.cpp: the header page parser and the password check on arbitrary first bytes.
#include <cstddef>
#include <cstdint>

#include "jet/pager/header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto header = jet::parseHeader(jet::Bytes(data, size), "fuzz", size * 4);
  if (header.ok()) (void)jet::checkPassword(*header, "secret");
  return 0;
}
