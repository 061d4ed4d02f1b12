// long_value.cpp: reading, writing and freeing memo/OLE values. Layout: docs/format/long_value.md.
#include "jet/row/long_value.h"

#include <algorithm>
#include <unordered_set>

#include "jet/core/error_codes.h"
#include "jet/page/data_page.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

constexpr std::uint32_t kInline = 0x80000000u;
constexpr std::uint32_t kSingleRow = 0x40000000u;
constexpr std::size_t kNextPointerSize = 4;  // at the start of each chain row

std::uint32_t pointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

ByteVector descriptor(std::uint32_t lengthAndForm, std::uint32_t first) {
  ByteVector d(kLongValueDescriptorSize, 0);
  put32(d, 0, lengthAndForm);
  put32(d, 4, first);
  return d;
}

Status checkLength(std::size_t size) {
  if (size <= kMaxLongValueLength) return Status::success();
  return Error{err::kDataOverflow, "a long value of " + std::to_string(size) +
                                       " bytes is beyond what the file format can hold"};
}

ByteVector inlined(std::span<const std::uint8_t> data) {
  const ByteVector head = descriptor(static_cast<std::uint32_t>(data.size()) | kInline, 0);
  // Sized once and filled, rather than grown by insert: GCC 12 at -O3 misreads the growth of
  // the 12-byte descriptor as a copy past its end (-Warray-bounds).
  ByteVector d(head.size() + data.size());
  std::copy(head.begin(), head.end(), d.begin());
  std::copy(data.begin(), data.end(), d.begin() + static_cast<std::ptrdiff_t>(head.size()));
  return d;
}

// Stores `data` as one row of at most `maxRow` bytes, or as a chain of them, through `put` (a
// row's bytes -> its pointer), and returns the descriptor. A chain is stored from its last part
// back, so that each row knows the pointer of the next.
template <typename Put>
Result<ByteVector> storeRows(std::span<const std::uint8_t> data, std::size_t maxRow, Put&& put) {
  auto length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= maxRow) {
    JET_ASSIGN_OR_RETURN(std::uint32_t first, put(data));
    return descriptor(length | kSingleRow, first);
  }
  const std::size_t part = maxRow - kNextPointerSize;
  const std::size_t parts = (data.size() + part - 1) / part;
  std::uint32_t next = 0;
  ByteVector row;
  for (std::size_t k = parts; k-- > 0;) {
    std::span<const std::uint8_t> piece =
        data.subspan(k * part, std::min(part, data.size() - k * part));
    row.assign(kNextPointerSize, 0);
    put32(row, 0, next);
    row.insert(row.end(), piece.begin(), piece.end());
    JET_ASSIGN_OR_RETURN(next, put(std::span<const std::uint8_t>(row)));
  }
  return descriptor(length, next);
}

bool isLongValuePage(const Page& page) {
  return page[0] == kPageTypeData && std::equal(page.begin() + 4, page.begin() + 8, "LVAL");
}

}  // namespace

// Reading.

Error LongValueReader::error(const std::string& what) const {
  return Error{err::kBadPage, "long value " + what + " in '" + pages_.path() + "'"};
}

Result<Bytes> LongValueReader::rowBytes(std::uint32_t at, const PagePtr& holder) const {
  RowPointer where = splitPointer(at);
  auto slot = dataRow(*holder, f_, where.row);
  if (!slot.ok()) {
    return error("at page " + std::to_string(where.page) + ": " + slot.error().description);
  }
  return slot->bytes;
}

Status LongValueReader::readChain(std::uint32_t at, std::size_t length,
                                  std::vector<std::uint8_t>& out) const {
  out.clear();
  std::unordered_set<std::uint32_t> seen;
  while (out.size() < length) {
    if (at == 0) return error("chain ends before its length");
    if (!seen.insert(at).second) {
      return error("chain is cyclic (page " + std::to_string(splitPointer(at).page) + ")");
    }
    JET_ASSIGN_OR_RETURN(PagePtr page, pages_.page(splitPointer(at).page));
    JET_ASSIGN_OR_RETURN(Bytes row, rowBytes(at, page));
    if (row.size() <= kNextPointerSize) return error("chain holds an empty row");
    std::uint32_t next = u32(row, 0);
    Bytes data = row.subspan(kNextPointerSize);
    std::size_t take = std::min(data.size(), length - out.size());
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    at = next;
  }
  return {};
}

Result<std::vector<std::uint8_t>> LongValueReader::read(Bytes d) const {
  std::vector<std::uint8_t> out;
  JET_TRY(readInto(d, out));
  return out;
}

Status LongValueReader::readInto(Bytes d, std::vector<std::uint8_t>& out) const {
  if (d.size() < kLongValueDescriptorSize) {
    return error("descriptor of " + std::to_string(d.size()) + " bytes");
  }
  std::uint32_t head = u32(d, 0);
  std::size_t length = head & kMaxLongValueLength;
  std::uint32_t first = u32(d, 4);
  if (length > std::uint64_t{pages_.pageCount()} * pages_.pageSize()) {
    return error("claims " + std::to_string(length) + " bytes, more than the file holds");
  }
  if ((head & kInline) != 0) {
    if (length > d.size() - kLongValueDescriptorSize) return error("runs past its row");
    out.assign(d.begin() + kLongValueDescriptorSize,
               d.begin() + static_cast<std::ptrdiff_t>(kLongValueDescriptorSize + length));
    return {};
  }
  if ((head & kSingleRow) != 0) {
    JET_ASSIGN_OR_RETURN(PagePtr page, pages_.page(splitPointer(first).page));
    JET_ASSIGN_OR_RETURN(Bytes row, rowBytes(first, page));
    if (row.size() < length) return error("row shorter than its length");
    out.assign(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(length));
    return {};
  }
  return readChain(first, length, out);
}

// Building (tables this engine creates are Jet4/ACE).

Result<ByteVector> encodeLongValue(std::span<const std::uint8_t> data, std::uint16_t column,
                                   LongValueStore& store) {
  JET_TRY(checkLength(data.size()));
  if (data.size() <= kMaxInlineLongValue) return inlined(data);
  return storeRows(data, kFormatJet4.maxSingleLongValue,
                   [&](std::span<const std::uint8_t> row) { return store.store(column, row); });
}

// Writing into existing tables.

std::size_t LongValueWriter::descriptorSize(std::size_t length, std::size_t room) {
  bool inlineData = length <= kMaxInlineLongValue && kLongValueDescriptorSize + length <= room;
  return kLongValueDescriptorSize + (inlineData ? length : 0);
}

Result<std::uint32_t> LongValueWriter::newPage(const LongValueColumnMaps* maps) {
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_.allocate());
  Page page(pages_.pageSize());
  DataPageEditor::initialise(page, format_.jet3, 0, true);
  JET_TRY(pages_.write(number, std::move(page)));
  if (maps != nullptr && maps->owned.valid()) {
    JET_TRY(UsageMapEditor(pages_, maps->owned, format_.jet3, &allocator_).set(number, true));
  }
  if (maps != nullptr && maps->free.valid()) {
    JET_TRY(UsageMapEditor(pages_, maps->free, format_.jet3, &allocator_).set(number, true));
  }
  current_[maps] = number;
  return number;
}

Result<std::pair<std::uint32_t, std::uint8_t>> LongValueWriter::place(
    std::span<const std::uint8_t> row, const LongValueColumnMaps* maps) {
  if (auto it = current_.find(maps); it != current_.end() && it->second < pages_.pageCount()) {
    JET_ASSIGN_OR_RETURN(Page page, pages_.read(it->second));
    DataPageEditor data(page, format_.jet3);
    auto n = isLongValuePage(page) ? data.append(row, 0) : std::nullopt;
    if (n) {
      JET_TRY(pages_.write(it->second, std::move(page)));
      return std::make_pair(it->second, static_cast<std::uint8_t>(*n));
    }
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t number, newPage(maps));
  JET_ASSIGN_OR_RETURN(Page page, pages_.read(number));
  DataPageEditor data(page, format_.jet3);
  auto n = data.append(row, 0);
  if (!n)
    return Error{err::kRowTooLarge, "a long-value row of " + std::to_string(row.size()) +
                                        " bytes does not fit on a page"};
  JET_TRY(pages_.write(number, std::move(page)));
  return std::make_pair(number, static_cast<std::uint8_t>(*n));
}

Result<ByteVector> LongValueWriter::write(std::span<const std::uint8_t> data,
                                          const LongValueColumnMaps* maps, std::size_t room) {
  JET_TRY(checkLength(data.size()));
  if (descriptorSize(data.size(), room) > kLongValueDescriptorSize || data.empty()) {
    return inlined(data);
  }
  return storeRows(data, maxRowSize(),
                   [&](std::span<const std::uint8_t> row) -> Result<std::uint32_t> {
                     JET_ASSIGN_OR_RETURN(auto where, place(row, maps));
                     return pointer(where.first, where.second);
                   });
}

Status LongValueWriter::release(std::span<const std::uint8_t> d) {
  if (d.size() < kLongValueDescriptorSize) return Status::success();
  std::uint32_t head = u32(d, 0);
  if ((head & kInline) != 0) return Status::success();
  bool chain = (head & kSingleRow) == 0;
  std::uint32_t where = u32(d, 4);
  for (int guard = 0; where != 0 && guard < 1 << 20; ++guard) {
    const std::uint32_t number = splitPointer(where).page;
    const std::size_t row = splitPointer(where).row;
    if (number >= pages_.pageCount()) break;
    JET_ASSIGN_OR_RETURN(Page page, pages_.read(number));
    DataPageEditor data(page, format_.jet3);
    if (page[0] != kPageTypeData || row >= data.rowCount() ||
        (data.flags(row) & DataPageEditor::kRowDeleted) != 0)
      break;
    auto bytes = data.rowBytes(row);
    std::uint32_t next = chain && bytes.size() >= kNextPointerSize ? u32(bytes, 0) : 0;
    if (!data.replace(row, {}, DataPageEditor::kRowDeleted)) break;
    JET_TRY(pages_.write(number, std::move(page)));
    where = next;
  }
  return Status::success();
}

}  // namespace jet
