// long_value.h: memo and OLE values. A row keeps a 12-byte descriptor: u32 length with the form in
// its top bits (0x80 inline, 0x40 one row, neither: a chain), u32 pointer (row in the low byte,
// page above) of the first long-value row, four zero bytes. Inline data follows the descriptor;
// one row holds the data itself; chain rows start with the next row's pointer (0 at the end).
// Reading bounds every chain (a cycle or a too-long chain is an error). Writing puts the rows on
// long-value pages ("LVAL" data pages), or hands them to a LongValueStore when a table is built.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/core/types.h"
#include "jet/page/page_allocator.h"
#include "jet/pager/page_cache.h"
#include "jet/pager/page_codec.h"
#include "jet/schema/table_storage.h"

namespace jet {

inline constexpr std::size_t kLongValueDescriptorSize = 12;
inline constexpr std::size_t kMaxInlineLongValue = 64;
inline constexpr std::uint32_t kMaxLongValueLength = 0x3FFFFFFF;

// Resolves the descriptor of a memo/OLE cell to the value's bytes.
class LongValueSource {
 public:
  virtual ~LongValueSource() = default;
  virtual Result<std::vector<std::uint8_t>> read(Bytes descriptor) const = 0;
  // The same into `out`, whose room is reused from value to value.
  virtual Status readInto(Bytes descriptor, std::vector<std::uint8_t>& out) const {
    JET_ASSIGN_OR_RETURN(out, read(descriptor));
    return {};
  }
};

class LongValueReader : public LongValueSource {
 public:
  LongValueReader(const PageReader& pages, const Format& f) : pages_(pages), f_(f) {}
  Result<std::vector<std::uint8_t>> read(Bytes descriptor) const override;
  Status readInto(Bytes descriptor, std::vector<std::uint8_t>& out) const override;

 private:
  Result<Bytes> rowBytes(std::uint32_t pointer, const PagePtr& holder) const;
  Status readChain(std::uint32_t pointer, std::size_t length, std::vector<std::uint8_t>& out) const;
  Error error(const std::string& what) const;

  const PageReader& pages_;
  const Format& f_;
};

// Keeps the rows of long values of a table being built. store() puts one row of column
// `column`'s value on a long-value page and returns its pointer.
class LongValueStore {
 public:
  virtual ~LongValueStore() = default;
  virtual Result<std::uint32_t> store(std::uint16_t column, std::span<const std::uint8_t> row) = 0;
};

// The descriptor of a value of a table this engine creates (Jet4/ACE), plus the data itself when
// it goes inline (up to kMaxInlineLongValue bytes); longer values go to `store`.
Result<ByteVector> encodeLongValue(std::span<const std::uint8_t> data, std::uint16_t column,
                                   LongValueStore& store);

// Stores values of existing tables. New long-value pages join the column's usage maps (Jet4+).
class LongValueWriter {
 public:
  LongValueWriter(PageCache& pages, PageAllocator& allocator, const Format& format)
      : pages_(pages), allocator_(allocator), format_(format) {}

  // The descriptor's size for a value of `length` bytes with `room` bytes free in the row: values
  // up to kMaxInlineLongValue bytes go inline when the row has room for them.
  static std::size_t descriptorSize(std::size_t length, std::size_t room);
  // Writes `data`; `maps` are the column's maps (null for Jet3). `room`: bytes the row can spare.
  Result<ByteVector> write(std::span<const std::uint8_t> data, const LongValueColumnMaps* maps,
                           std::size_t room);
  // Marks the rows of the value behind `descriptor` deleted (inline values: nothing to do).
  Status release(std::span<const std::uint8_t> descriptor);

  std::size_t maxRowSize() const { return format_.maxSingleLongValue; }

 private:
  // A row on a long-value page with room: the page and the new row's number.
  Result<std::pair<std::uint32_t, std::uint8_t>> place(std::span<const std::uint8_t> row,
                                                       const LongValueColumnMaps* maps);
  Result<std::uint32_t> newPage(const LongValueColumnMaps* maps);

  PageCache& pages_;
  PageAllocator& allocator_;
  const Format& format_;
  std::map<const LongValueColumnMaps*, std::uint32_t> current_;  // page being filled, per column
};

}  // namespace jet
