// row_layout.cpp: splitting and joining stored rows. Jet4/ACE rows end with the end-of-data
// offset, the variable offsets in reverse, their count (u16 each) and the null mask; Jet3 rows use
// single bytes and a jump table that adds 256 to the offsets from a given column on.
#include "jet/row/row_layout.h"

#include <string>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

using Span = std::span<const std::uint8_t>;

Error badRow(const std::string& why) { return Error{err::kBadPage, "damaged row: " + why}; }

std::uint16_t get16(Span b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
void put16(ByteVector& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The variable offsets 0..n (entry n is the end of data), as positions inside the row.
Result<std::vector<std::size_t>> offsetsJet4(Span row, std::size_t mask, std::size_t n) {
  std::size_t size = row.size();
  if (mask + 4 + 2 * n > size) return badRow("variable table larger than the row");
  std::vector<std::size_t> offsets(n + 1);
  for (std::size_t i = 0; i <= n; ++i) offsets[i] = get16(row, size - mask - 4 - 2 * i);
  return offsets;
}

Result<std::vector<std::size_t>> offsetsJet3(Span row, std::size_t mask, std::size_t n) {
  std::size_t size = row.size();
  std::size_t jumps = (size - 1) / 256;
  if (mask + jumps + 2 + n > size) return badRow("variable table larger than the row");
  std::size_t first = size - mask - jumps - 2;  // offset of variable column 0
  std::size_t used = jumps;
  if ((first - n) / 256 < jumps) --used;  // the last jump is a placeholder
  std::vector<std::size_t> offsets(n + 1);
  std::size_t crossed = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    while (crossed < used && row[size - mask - 2 - crossed] == i) ++crossed;
    offsets[i] = row[first - i] + 256 * crossed;
  }
  return offsets;
}

void appendJet3Trailer(ByteVector& out, const std::vector<std::size_t>& offsets,
                       std::size_t maskSize) {
  std::size_t n = offsets.size() - 1;
  std::size_t data = out.size();
  std::size_t jumps = 0;
  while (jumps != (data + n + 2 + maskSize + jumps - 1) / 256) ++jumps;
  for (std::size_t i = n + 1; i-- > 0;) out.push_back(static_cast<std::uint8_t>(offsets[i] & 0xFF));
  // Jump j names the first offset at or past 256 * (j + 1); 0xFF when none is.
  ByteVector jumpTable(jumps, 0xFF);
  for (std::size_t j = 0; j < jumps; ++j) {
    for (std::size_t i = 0; i <= n; ++i) {
      if (offsets[i] >= 256 * (j + 1)) {
        jumpTable[j] = static_cast<std::uint8_t>(i);
        break;
      }
    }
  }
  for (std::size_t j = jumps; j-- > 0;) out.push_back(jumpTable[j]);
  out.push_back(static_cast<std::uint8_t>(n));
}

}  // namespace

bool RowLayout::notNull(std::uint16_t columnNumber) const {
  std::size_t byte = columnNumber / 8u;
  return byte < nullMask.size() && (nullMask[byte] & (1u << (columnNumber % 8u))) != 0;
}

void RowLayout::setNotNull(std::uint16_t columnNumber, bool value) {
  std::size_t byte = columnNumber / 8u;
  auto bit = static_cast<std::uint8_t>(1u << (columnNumber % 8u));
  if (value) {
    nullMask[byte] = static_cast<std::uint8_t>(nullMask[byte] | bit);
  } else {
    nullMask[byte] = static_cast<std::uint8_t>(nullMask[byte] & ~bit);
  }
}

void RowLayout::widen(std::uint16_t columns, std::size_t variables) {
  if (columns > columnCount) {
    columnCount = columns;
    nullMask.resize((columnCount + 7u) / 8u, 0);
  }
  if (variables > variable.size()) variable.resize(variables);
}

Result<RowLayout> splitRow(Span row, bool jet3, bool tableHasVariableColumns) {
  std::size_t countSize = jet3 ? 1 : 2;
  if (row.size() < countSize) return badRow("shorter than its column count");
  RowLayout out;
  out.hasVariableTable = tableHasVariableColumns;
  out.columnCount = jet3 ? row[0] : get16(row, 0);
  std::size_t mask = (out.columnCount + 7u) / 8u;
  if (countSize + mask > row.size()) return badRow("null mask larger than the row");
  out.nullMask.assign(row.end() - static_cast<std::ptrdiff_t>(mask), row.end());
  if (!tableHasVariableColumns) {
    out.fixed.assign(row.begin() + static_cast<std::ptrdiff_t>(countSize),
                     row.end() - static_cast<std::ptrdiff_t>(mask));
    return out;
  }
  std::size_t trailer = jet3 ? 1 : 2;
  if (countSize + mask + trailer > row.size()) return badRow("no room for the variable count");
  std::size_t n = jet3 ? row[row.size() - mask - 1] : get16(row, row.size() - mask - 2);
  auto offsets = jet3 ? offsetsJet3(row, mask, n) : offsetsJet4(row, mask, n);
  if (!offsets) return offsets.error();
  const auto& o = *offsets;
  std::size_t dataStart = n > 0 ? o[0] : o[n];
  if (dataStart < countSize || o[n] > row.size()) return badRow("variable offsets out of range");
  for (std::size_t i = 0; i < n; ++i) {
    if (o[i] > o[i + 1]) return badRow("variable offsets out of order");
  }
  out.fixed.assign(row.begin() + static_cast<std::ptrdiff_t>(countSize),
                   row.begin() + static_cast<std::ptrdiff_t>(dataStart));
  out.variable.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    out.variable[i].assign(row.begin() + static_cast<std::ptrdiff_t>(o[i]),
                           row.begin() + static_cast<std::ptrdiff_t>(o[i + 1]));
  }
  return out;
}

ByteVector joinRow(const RowLayout& layout, bool jet3) {
  ByteVector out;
  if (jet3) {
    out.push_back(static_cast<std::uint8_t>(layout.columnCount));
  } else {
    put16(out, layout.columnCount);
  }
  out.insert(out.end(), layout.fixed.begin(), layout.fixed.end());
  if (layout.hasVariableTable) {
    std::vector<std::size_t> offsets;
    for (const auto& v : layout.variable) {
      offsets.push_back(out.size());
      out.insert(out.end(), v.begin(), v.end());
    }
    offsets.push_back(out.size());
    if (jet3) {
      appendJet3Trailer(out, offsets, layout.nullMask.size());
    } else {
      for (std::size_t i = offsets.size(); i-- > 0;)
        put16(out, static_cast<std::uint16_t>(offsets[i]));
      put16(out, static_cast<std::uint16_t>(layout.variable.size()));
    }
  }
  out.insert(out.end(), layout.nullMask.begin(), layout.nullMask.end());
  return out;
}

}  // namespace jet
