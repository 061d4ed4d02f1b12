// fuzz_connection_string.cpp: connection strings parsed, and what is built from a parsed one
// parsed back to the same target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "db/connection_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto target = db::parseConnectionString(text);
  if (!target.ok()) return 0;
  auto again = db::parseConnectionString(db::buildConnectionString(target->path, target->password));
  if (again.ok() && (again->path != target->path || again->password != target->password)) {
    std::abort();  // building and parsing must agree
  }
  return 0;
}
