// long_value_writer.cpp: descriptor = u32 length with the form in its top bits (0x80 inline,
// 0x40 one row, 0x00 chain), u8 row + u24 page of the first row, 4 zero bytes. Chain rows start
// with the next row's pointer (0 at the end). Long-value pages are data pages owned by "LVAL".
#include "jet/row/long_value_writer.h"

#include <algorithm>
#include <string>

#include "jet/page/data_page.h"
#include "jet/core/error_codes.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

void put32(ByteVector& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t pointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

}  // namespace

std::size_t LongValueWriter::descriptorSize(std::size_t length, std::size_t room) {
  bool inlined = length <= kMaxInlineLongValue && kLongValueDescriptorSize + length <= room;
  return kLongValueDescriptorSize + (inlined ? length : 0);
}

Result<std::uint32_t> LongValueWriter::newPage(const LongValueColumnMaps* maps) {
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_.allocate());
  Page page(pages_.pageSize());
  DataPageEditor::initialise(page, jet3_, 0, true);
  JET_TRY(pages_.write(number, std::move(page)));
  if (maps != nullptr && maps->owned.valid()) {
    JET_TRY(UsageMapEditor(pages_, maps->owned, jet3_, &allocator_).set(number, true));
  }
  if (maps != nullptr && maps->free.valid()) {
    JET_TRY(UsageMapEditor(pages_, maps->free, jet3_, &allocator_).set(number, true));
  }
  current_[maps] = number;
  return number;
}

Result<std::pair<std::uint32_t, std::uint8_t>> LongValueWriter::place(
    std::span<const std::uint8_t> row, const LongValueColumnMaps* maps) {
  if (auto it = current_.find(maps); it != current_.end() && it->second < pages_.pageCount()) {
    JET_ASSIGN_OR_RETURN(Page page, pages_.read(it->second));
    DataPageEditor data(page, jet3_);
    auto n = page[0] == 0x01 && std::equal(page.begin() + 4, page.begin() + 8, "LVAL")
                 ? data.append(row, 0)
                 : std::nullopt;
    if (n) {
      JET_TRY(pages_.write(it->second, std::move(page)));
      return std::make_pair(it->second, static_cast<std::uint8_t>(*n));
    }
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t number, newPage(maps));
  JET_ASSIGN_OR_RETURN(Page page, pages_.read(number));
  DataPageEditor data(page, jet3_);
  auto n = data.append(row, 0);
  if (!n)
    return Error{err::kRowTooLarge, "a long-value row of " + std::to_string(row.size()) +
                                        " bytes does not fit on a page"};
  JET_TRY(pages_.write(number, std::move(page)));
  return std::make_pair(number, static_cast<std::uint8_t>(*n));
}

Result<ByteVector> LongValueWriter::write(std::span<const std::uint8_t> data,
                                          const LongValueColumnMaps* maps, std::size_t room) {
  if (data.size() > kMaxLongValueLength) {
    return Error{err::kDataOverflow, "a long value of " + std::to_string(data.size()) +
                                         " bytes is beyond what the file format can hold"};
  }
  auto length = static_cast<std::uint32_t>(data.size());
  ByteVector descriptor(kLongValueDescriptorSize, 0);
  if (descriptorSize(data.size(), room) > kLongValueDescriptorSize || data.empty()) {
    put32(descriptor, 0, length | 0x80000000u);
    descriptor.insert(descriptor.end(), data.begin(), data.end());
    return descriptor;
  }
  if (data.size() <= maxRowSize()) {
    JET_ASSIGN_OR_RETURN(auto where, place(data, maps));
    put32(descriptor, 0, length | 0x40000000u);
    put32(descriptor, 4, pointer(where.first, where.second));
    return descriptor;
  }
  // A chain, written from its last chunk back so each row knows the next one's place.
  std::size_t chunk = maxRowSize() - 4;
  std::size_t chunks = (data.size() + chunk - 1) / chunk;
  std::uint32_t next = 0;
  for (std::size_t k = chunks; k-- > 0;) {
    std::size_t from = k * chunk;
    std::size_t size = std::min(chunk, data.size() - from);
    ByteVector row(4, 0);
    put32(row, 0, next);
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
               data.begin() + static_cast<std::ptrdiff_t>(from + size));
    JET_ASSIGN_OR_RETURN(auto where, place(row, maps));
    next = pointer(where.first, where.second);
  }
  put32(descriptor, 0, length);
  put32(descriptor, 4, next);
  return descriptor;
}

Status LongValueWriter::release(std::span<const std::uint8_t> descriptor) {
  if (descriptor.size() < kLongValueDescriptorSize) return Status::success();
  std::uint32_t head = get32(descriptor, 0);
  if ((head & 0x80000000u) != 0) return Status::success();
  bool chain = (head & 0x40000000u) == 0;
  std::uint32_t where = get32(descriptor, 4);
  for (int guard = 0; where != 0 && guard < 1 << 20; ++guard) {
    std::uint32_t number = where >> 8;
    auto row = static_cast<std::size_t>(where & 0xFF);
    if (number >= pages_.pageCount()) break;
    JET_ASSIGN_OR_RETURN(Page page, pages_.read(number));
    DataPageEditor data(page, jet3_);
    if (page[0] != 0x01 || row >= data.rowCount() ||
        (data.flags(row) & DataPageEditor::kRowDeleted) != 0)
      break;
    auto bytes = data.rowBytes(row);
    std::uint32_t next = chain && bytes.size() >= 4 ? get32(bytes, 0) : 0;
    if (!data.replace(row, {}, DataPageEditor::kRowDeleted)) break;
    JET_TRY(pages_.write(number, std::move(page)));
    where = next;
  }
  return Status::success();
}

}  // namespace jet
