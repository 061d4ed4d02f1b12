// long_value.cpp: reading memo/OLE values. Layout: docs/format/long_value.md.
#include "jet/row/long_value.h"

#include <unordered_set>

#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::size_t kDescriptorSize = 12;
constexpr std::uint32_t kInline = 0x80000000u;
constexpr std::uint32_t kSingleRow = 0x40000000u;
constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;
constexpr std::size_t kNextPointerSize = 4;

}  // namespace

Error LongValueReader::error(const std::string& what) const {
  return Error{err::kBadPage, "long value " + what + " in '" + pages_.path() + "'"};
}

Result<Bytes> LongValueReader::rowBytes(std::uint32_t pointer, const PagePtr& holder) const {
  RowPointer at = splitPointer(pointer);
  auto slot = dataRow(*holder, f_, at.row);
  if (!slot.ok()) {
    return error("at page " + std::to_string(at.page) + ": " + slot.error().description);
  }
  return slot->bytes;
}

Result<std::vector<std::uint8_t>> LongValueReader::readChain(std::uint32_t pointer,
                                                             std::size_t length) const {
  std::vector<std::uint8_t> out;
  std::unordered_set<std::uint32_t> seen;
  while (out.size() < length) {
    if (pointer == 0) return error("chain ends before its length");
    if (!seen.insert(pointer).second) {
      return error("chain is cyclic (page " + std::to_string(pointer >> 8) + ")");
    }
    JET_ASSIGN_OR_RETURN(PagePtr page, pages_.page(pointer >> 8));
    JET_ASSIGN_OR_RETURN(Bytes row, rowBytes(pointer, page));
    if (row.size() <= kNextPointerSize) return error("chain holds an empty row");
    std::uint32_t next = u32(row, 0);
    Bytes data = row.subspan(kNextPointerSize);
    std::size_t take = std::min(data.size(), length - out.size());
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    pointer = next;
  }
  return out;
}

Result<std::vector<std::uint8_t>> LongValueReader::read(Bytes d) const {
  if (d.size() < kDescriptorSize) {
    return error("descriptor of " + std::to_string(d.size()) + " bytes");
  }
  std::uint32_t head = u32(d, 0);
  std::size_t length = head & kLengthMask;
  std::uint32_t pointer = u32(d, 4);
  if (length > std::uint64_t{pages_.pageCount()} * pages_.pageSize()) {
    return error("claims " + std::to_string(length) + " bytes, more than the file holds");
  }
  if ((head & kInline) != 0) {
    if (length > d.size() - kDescriptorSize) return error("runs past its row");
    return std::vector<std::uint8_t>(
        d.begin() + kDescriptorSize,
        d.begin() + static_cast<std::ptrdiff_t>(kDescriptorSize + length));
  }
  if ((head & kSingleRow) != 0) {
    JET_ASSIGN_OR_RETURN(PagePtr page, pages_.page(pointer >> 8));
    JET_ASSIGN_OR_RETURN(Bytes row, rowBytes(pointer, page));
    if (row.size() < length) return error("row shorter than its length");
    return std::vector<std::uint8_t>(row.begin(),
                                     row.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return readChain(pointer, length);
}

}  // namespace jet
