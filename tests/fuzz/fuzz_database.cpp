// fuzz_database.cpp: a whole file opened as a database: header, catalogue, every table's
// definition and properties, and a bounded scan of its rows.
#include <cstddef>
#include <cstdint>

#include "jet/database.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryFile file(data, size);
  auto db = jet::Database::open(file.path());
  if (!db.ok()) return 0;
  for (const jet::CatalogEntry& e : (*db)->catalogue()) {
    if (e.tdefPage == 0) continue;
    auto table = (*db)->table(e.name);
    if (!table.ok()) continue;
    auto scan = (*db)->scan(*table);
    if (!scan.ok()) continue;
    jet::Row row;
    for (int n = 0; n < 1000; ++n) {
      auto more = (*scan)->next(row);
      if (!more.ok() || !*more) break;
    }
  }
  return 0;
}
