// long_value_writer.h: stores a memo or OLE value and returns the 12-byte descriptor the row
// keeps: inline after the descriptor, one long-value row, or a chain of rows, chosen by length and
// the room left in the row. New long-value pages join the column's usage maps (Jet4+).
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/row/row_layout.h"
#include "jet/core/status.h"
#include "jet/schema/table_storage.h"

namespace jet {

inline constexpr std::size_t kLongValueDescriptorSize = 12;
inline constexpr std::size_t kMaxInlineLongValue = 64;
inline constexpr std::uint32_t kMaxLongValueLength = 0x3FFFFFFF;

struct LongValueForm {
  enum Kind { kInline, kSingle, kChain } kind;
};

class LongValueWriter {
 public:
  LongValueWriter(PageCache& pages, PageAllocator& allocator, bool jet3)
      : pages_(pages), allocator_(allocator), jet3_(jet3) {}

  // The descriptor's size for a value of `length` bytes with `room` bytes free in the row.
  static std::size_t descriptorSize(std::size_t length, std::size_t room);
  // Writes `data`; `maps` are the column's maps (null for Jet3). `room`: bytes the row can spare.
  Result<ByteVector> write(std::span<const std::uint8_t> data, const LongValueColumnMaps* maps,
                           std::size_t room);
  // Marks the rows of the value behind `descriptor` deleted (inline values: nothing to do).
  Status release(std::span<const std::uint8_t> descriptor);

  std::size_t maxRowSize() const { return jet3_ ? 2032 : 4076; }

 private:
  // A row of `size` bytes on a long-value page with room: the page and the new row's number.
  Result<std::pair<std::uint32_t, std::uint8_t>> place(std::span<const std::uint8_t> row,
                                                       const LongValueColumnMaps* maps);
  Result<std::uint32_t> newPage(const LongValueColumnMaps* maps);

  PageCache& pages_;
  PageAllocator& allocator_;
  bool jet3_;
  std::map<const LongValueColumnMaps*, std::uint32_t> current_;  // page being filled, per column
};

}  // namespace jet
