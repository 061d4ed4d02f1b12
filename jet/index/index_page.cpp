// index_page.cpp: parses and lays out index pages, and walks an index's leaves. Header fields are
// little-endian, entry bytes big-endian; the offsets come from the format table. Every offset is
// checked against the page before it is read.
#include "jet/index/index_page.h"

#include <algorithm>
#include <string>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::size_t kTablePage = 4;       // u32 the owning table's definition page
constexpr std::size_t kFreeSpace = 2;       // u16 bytes left free on the page
constexpr std::size_t kRowPointerSize = 4;  // 3-byte page + row, big-endian
constexpr std::size_t kChildPointerSize = 4;

Error badPage(std::uint32_t page, const std::string& why) {
  return Error{err::kBadPage, "index page " + std::to_string(page) + ": " + why};
}

// Splits one entry, stored as `prefix` (shared, empty for the first entry) then `stored`, into
// key, row pointer and child page, without joining the two first.
Result<IndexEntry> splitEntry(std::span<const std::uint8_t> prefix,
                              std::span<const std::uint8_t> stored, bool leaf,
                              std::uint32_t pageNumber) {
  const std::size_t trailer = kRowPointerSize + (leaf ? 0 : kChildPointerSize);
  const std::size_t size = prefix.size() + stored.size();
  if (size < trailer) return badPage(pageNumber, "entry shorter than its pointers");
  const std::size_t keyLen = size - trailer;
  const std::size_t fromPrefix = std::min(keyLen, prefix.size());
  IndexEntry e;
  e.key.reserve(keyLen);
  e.key.assign(prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(fromPrefix));
  e.key.insert(e.key.end(), stored.begin(),
               stored.begin() + static_cast<std::ptrdiff_t>(keyLen - fromPrefix));
  auto at = [&](std::size_t i) { return i < prefix.size() ? prefix[i] : stored[i - prefix.size()]; };
  auto beAt = [&](std::size_t from, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | at(from + i);
    return v;
  };
  e.row.page = beAt(keyLen, 3);
  e.row.row = static_cast<std::uint16_t>(at(keyLen + 3));
  if (!leaf) e.childPage = beAt(keyLen + kRowPointerSize, 4);
  return e;
}

// Entries the bitmask marks, to size the entry list once.
std::size_t markedEntries(std::span<const std::uint8_t> mask) {
  std::size_t n = 0;
  for (std::uint8_t byte : mask) {
    for (unsigned b = byte; b != 0; b &= b - 1) ++n;  // one step per set bit
  }
  return n;
}

void putBe(std::vector<std::uint8_t>& out, std::uint32_t v, std::size_t n) {
  for (std::size_t i = n; i-- > 0;) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

// Byte `i` of the entry's stored form, without building it (the child page only on nodes:
// callers stay within storedSize).
std::uint8_t storedByte(const IndexEntry& e, std::size_t i) {
  if (i < e.key.size()) return e.key[i];
  const std::size_t t = i - e.key.size();
  if (t < 3) return static_cast<std::uint8_t>((e.row.page >> (8 * (2 - t))) & 0xFF);
  if (t == 3) return static_cast<std::uint8_t>(e.row.row);
  return static_cast<std::uint8_t>((e.childPage >> (8 * (7 - t))) & 0xFF);
}

std::size_t wholeBytes(const IndexPage& page) {
  std::size_t total = 0;
  for (const auto& e : page.entries) total += storedEntrySize(e, page.leaf);
  return total;
}

// Access shares a prefix only when the entries would not fit whole.
std::size_t prefixOf(const IndexPage& page, const Format& f) {
  if (page.entries.size() < 2 || wholeBytes(page) <= maxIndexEntryBytes(f)) return 0;
  const IndexEntry& a = page.entries.front();
  const IndexEntry& b = page.entries.back();
  const std::size_t n = std::min(storedEntrySize(a, page.leaf), storedEntrySize(b, page.leaf));
  std::size_t i = 0;
  while (i < n && storedByte(a, i) == storedByte(b, i)) ++i;
  return i;
}

void appendStored(std::vector<std::uint8_t>& out, const IndexEntry& entry, bool leaf) {
  out.insert(out.end(), entry.key.begin(), entry.key.end());
  putBe(out, entry.row.page, 3);
  out.push_back(static_cast<std::uint8_t>(entry.row.row));
  if (!leaf) putBe(out, entry.childPage, 4);
}

}  // namespace

bool indexEntryBefore(const IndexEntry& a, const IndexEntry& b) {
  if (a.key != b.key) {
    return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
  }
  if (a.row.page != b.row.page) return a.row.page < b.row.page;
  return a.row.row < b.row.row;
}

Result<IndexPage> parseIndexPage(std::span<const std::uint8_t> page, const Format& f,
                                 std::uint32_t pageNumber) {
  if (page.size() != f.pageSize) return badPage(pageNumber, "wrong page size");
  if (page[0] != kPageTypeIndexNode && page[0] != kPageTypeIndexLeaf) {
    return badPage(pageNumber, "not an index page (type " + std::to_string(page[0]) + ")");
  }
  IndexPage out;
  out.number = pageNumber;
  out.leaf = page[0] == kPageTypeIndexLeaf;
  out.tablePage = u32(page, kTablePage);
  out.prevPage = u32(page, f.indexPrevPage);
  out.nextPage = u32(page, f.indexNextPage);
  out.childTailPage = u32(page, f.indexChildTail);
  out.prefixLength = static_cast<std::uint16_t>(f.indexPrefixLengthSize == 1
                                                    ? u8(page, f.indexPrefixLength)
                                                    : u16(page, f.indexPrefixLength));

  const std::size_t dataSize = f.pageSize - f.indexEntriesStart;
  std::span<const std::uint8_t> data = page.subspan(f.indexEntriesStart);
  std::span<const std::uint8_t> prefix;
  std::size_t start = 0;
  out.entries.reserve(markedEntries(page.subspan(f.indexEntryMask, f.indexEntryMaskSize)));
  for (std::size_t bit = 0; bit < f.indexEntryMaskSize * 8; ++bit) {
    const std::uint8_t maskByte = page[f.indexEntryMask + bit / 8];
    if (maskByte == 0) {  // no entry ends in these eight bytes
      bit += 7;
      continue;
    }
    if ((maskByte & (1u << (bit % 8))) == 0) continue;
    if (bit > dataSize) return badPage(pageNumber, "entry runs past the end of the page");
    std::span<const std::uint8_t> stored = data.subspan(start, bit - start);
    const bool first = out.entries.empty();
    if (first) {
      if (out.prefixLength > stored.size()) {
        return badPage(pageNumber, "shared prefix longer than the first entry");
      }
      prefix = stored.first(out.prefixLength);
    }
    JET_ASSIGN_OR_RETURN(
        IndexEntry e,
        splitEntry(first ? std::span<const std::uint8_t>{} : prefix, stored, out.leaf, pageNumber));
    if (!out.entries.empty() && !indexEntryBefore(out.entries.back(), e)) {
      return badPage(pageNumber,
                     "entries out of order at entry " + std::to_string(out.entries.size()));
    }
    out.entries.push_back(std::move(e));
    start = bit;
  }
  return out;
}

std::size_t maxIndexEntryBytes(const Format& f) {
  return std::min<std::size_t>(f.pageSize - f.indexEntriesStart, f.indexEntryMaskSize * 8);
}

std::size_t storedEntrySize(const IndexEntry& entry, bool leaf) {
  return entry.key.size() + kRowPointerSize + (leaf ? 0 : kChildPointerSize);
}

std::vector<std::uint8_t> storedEntry(const IndexEntry& entry, bool leaf) {
  std::vector<std::uint8_t> out;
  out.reserve(storedEntrySize(entry, leaf));
  appendStored(out, entry, leaf);
  return out;
}

std::size_t storedEntryBytes(const IndexPage& page, const Format& f) {
  std::size_t prefix = prefixOf(page, f);
  std::size_t total = wholeBytes(page) - prefix * page.entries.size();
  return total + (page.entries.empty() ? 0 : prefix);
}

Result<std::vector<std::uint8_t>> writeIndexPage(const IndexPage& page, const Format& f,
                                                 std::span<const std::uint8_t> model) {
  std::vector<std::uint8_t> out(f.pageSize, 0);
  if (model.size() == f.pageSize) std::copy_n(model.begin(), f.indexEntryMask, out.begin());
  put8(out, 0, page.leaf ? kPageTypeIndexLeaf : kPageTypeIndexNode);
  put8(out, 1, 0x01);
  put32(out, kTablePage, page.tablePage);
  put32(out, f.indexPrevPage, page.prevPage);
  put32(out, f.indexNextPage, page.nextPage);
  put32(out, f.indexChildTail, page.childTailPage);
  const std::size_t prefix = prefixOf(page, f);
  if (f.indexPrefixLengthSize == 1) {
    put8(out, f.indexPrefixLength, static_cast<std::uint8_t>(prefix));
  } else {
    put16(out, f.indexPrefixLength, static_cast<std::uint16_t>(prefix));
  }
  if (storedEntryBytes(page, f) > maxIndexEntryBytes(f) ||
      (f.indexPrefixLengthSize == 1 && prefix > 0xFF)) {
    return Error{err::kBadPage, "index page " + std::to_string(page.number) +
                                    ": its entries do not fit on one page"};
  }
  std::size_t at = f.indexEntriesStart;
  std::vector<std::uint8_t> bytes;  // one entry's stored form, the buffer reused
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    bytes.clear();
    appendStored(bytes, page.entries[i], page.leaf);
    std::size_t skip = i == 0 ? 0 : prefix;
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(skip), bytes.end(),
              out.begin() + static_cast<std::ptrdiff_t>(at));
    at += bytes.size() - skip;
    std::size_t bit = at - f.indexEntriesStart;
    out[f.indexEntryMask + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  put16(out, kFreeSpace, static_cast<std::uint16_t>(f.pageSize - at));
  return out;
}

Status forEachLeafEntry(const IndexPageReader& read, const Format& f, std::uint32_t rootPage,
                        std::uint32_t maxPages,
                        const std::function<Status(const IndexEntry&)>& visit) {
  std::vector<std::uint8_t> buffer;
  std::uint32_t pageNumber = rootPage;
  for (std::uint32_t visited = 0; pageNumber != 0; ++visited) {
    if (visited >= maxPages) {
      return badPage(pageNumber, "the index from page " + std::to_string(rootPage) +
                                     " does not end (its pages form a loop)");
    }
    JET_TRY(read(pageNumber, buffer));
    JET_ASSIGN_OR_RETURN(IndexPage page, parseIndexPage(buffer, f, pageNumber));
    if (!page.leaf) {
      if (page.entries.empty()) {
        pageNumber = page.childTailPage;  // a node whose only child is its tail
        continue;
      }
      pageNumber = page.entries.front().childPage;
      continue;
    }
    for (const IndexEntry& e : page.entries) JET_TRY(visit(e));
    pageNumber = page.nextPage;
  }
  return Status::success();
}

}  // namespace jet
