// fuzz_property_map.cpp: property blobs (MSysObjects.LvProp) and the result types read from them.
#include <cstddef>
#include <cstdint>

#include "jet/schema/property_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto maps = jet::parsePropertyMaps(jet::Bytes(data, size));
  if (!maps.ok()) return 0;
  for (const jet::PropertyMap& m : *maps) (void)jet::calculatedResultType(m);
  return 0;
}
