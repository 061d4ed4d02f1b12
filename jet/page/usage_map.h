// usage_map.h: which pages a table, index or long-value column owns, read from an inline
// (type 0) or reference (type 1) usage map into an ordered page list. Knows nothing of rows.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/pager/page_codec.h"
#include "jet/core/format.h"
#include "jet/core/status.h"

namespace jet {

class UsageMap {
 public:
  enum class Kind : std::uint8_t { kInline = 0, kReference = 1 };

  // Reads the map that `pointer` (row byte + 3-byte page) designates. Every listed page lies
  // inside the file; an error names the file and the map's page.
  static Result<UsageMap> read(const PageReader& pages, const Format& f, std::uint32_t pointer);

  Kind kind() const { return kind_; }
  std::uint32_t pointer() const { return pointer_; }
  // Inline maps: the first page the bitmap covers.
  std::uint32_t startPage() const { return startPage_; }
  // Pages whose bit is set, ascending.
  const std::vector<std::uint32_t>& pages() const { return pages_; }
  bool contains(std::uint32_t page) const;

 private:
  Kind kind_ = Kind::kInline;
  std::uint32_t pointer_ = 0;
  std::uint32_t startPage_ = 0;
  std::vector<std::uint32_t> pages_;
};

}  // namespace jet
