// page_store.h: the pages a file being created is built from: read a page, write one, add one at
// the end. The creator backs it with the file; tests back it with memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/core/status.h"

namespace jet {

class PageStore {
 public:
  virtual ~PageStore() = default;
  virtual std::uint32_t pageSize() const = 0;
  virtual std::uint32_t pageCount() const = 0;
  virtual Result<std::vector<std::uint8_t>> read(std::uint32_t page) const = 0;
  // `page` below pageCount() replaces it; equal to pageCount() adds it.
  virtual Status write(std::uint32_t page, std::span<const std::uint8_t> bytes) = 0;
  // Reserves a page number at the end; its content comes with a later write().
  virtual std::uint32_t reserve() = 0;
};

}  // namespace jet
