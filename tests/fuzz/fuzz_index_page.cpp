// fuzz_index_page.cpp: index pages, alone and walked as a tree. The first byte picks the
// version and the root page; the rest is the file, page after page.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/index/index_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  jet::Version version = (data[0] & 1) != 0 ? jet::Version::kJet3 : jet::Version::kAce12;
  const jet::Format& f = jet::formatFor(version);
  std::uint32_t pageSize = f.pageSize;
  std::vector<std::uint8_t> file(data + 1, data + size);
  std::uint32_t pageCount = static_cast<std::uint32_t>(file.size() / pageSize);
  file.resize(std::size_t{pageCount + 1} * pageSize, 0);  // the last, partial page zero-filled
  std::span<const std::uint8_t> first(file.data(), pageSize);
  (void)jet::parseIndexPage(first, f, 0);
  jet::IndexPageReader read = [&](std::uint32_t page,
                                  std::vector<std::uint8_t>& out) -> jet::Status {
    if (page > pageCount) return jet::Error{1, "beyond the file"};
    auto from = file.begin() + static_cast<std::ptrdiff_t>(std::size_t{page} * pageSize);
    out.assign(from, from + pageSize);
    return {};
  };
  std::uint32_t root = (data[0] >> 1) & 0x03;
  (void)jet::forEachLeafEntry(read, f, root, pageCount + 1,
                              [](const jet::IndexEntry&) { return jet::Status(); });
  return 0;
}
