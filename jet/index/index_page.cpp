// index_page.cpp: parses index pages and walks an index's leaves. Entry bytes are big-endian;
// header fields little-endian. Every offset is checked against the page before it is read.
#include "jet/index/index_page.h"

#include <algorithm>
#include <string>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

constexpr std::size_t kRowPointerSize = 4;  // 3-byte page + row, big-endian
constexpr std::size_t kChildPointerSize = 4;

std::uint32_t le16(std::span<const std::uint8_t> p, std::size_t at) {
  return static_cast<std::uint32_t>(p[at] | (p[at + 1] << 8));
}

std::uint32_t le32(std::span<const std::uint8_t> p, std::size_t at) {
  return static_cast<std::uint32_t>(p[at]) | static_cast<std::uint32_t>(p[at + 1]) << 8 |
         static_cast<std::uint32_t>(p[at + 2]) << 16 | static_cast<std::uint32_t>(p[at + 3]) << 24;
}

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

}  // namespace

bool indexEntryBefore(const IndexEntry& a, const IndexEntry& b) {
  if (a.key != b.key) {
    return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
  }
  if (a.row.page != b.row.page) return a.row.page < b.row.page;
  return a.row.row < b.row.row;
}

IndexPageLayout indexPageLayout(Version version) {
  if (version == Version::kJet3) {
    // Jet3 keeps a one-byte prefix length; the byte after it is not part of it (often 01).
    return IndexPageLayout{2048, 8, 12, 16, 20, 1, 22, 226, 0xF8};
  }
  return IndexPageLayout{4096, 12, 16, 20, 24, 2, 27, 453, 0x1E0};
}

Result<IndexPage> parseIndexPage(std::span<const std::uint8_t> page, Version version,
                                 std::uint32_t pageNumber) {
  const IndexPageLayout L = indexPageLayout(version);
  if (page.size() != L.pageSize) return badPage(pageNumber, "wrong page size");
  if (page[0] != kIndexNodePage && page[0] != kIndexLeafPage) {
    return badPage(pageNumber, "not an index page (type " + std::to_string(page[0]) + ")");
  }
  IndexPage out;
  out.number = pageNumber;
  out.leaf = page[0] == kIndexLeafPage;
  out.tablePage = le32(page, 4);
  out.prevPage = le32(page, L.prevPage);
  out.nextPage = le32(page, L.nextPage);
  out.childTailPage = le32(page, L.childTail);
  out.prefixLength = static_cast<std::uint16_t>(
      L.prefixLengthSize == 1 ? page[L.prefixLength] : le16(page, L.prefixLength));

  const std::size_t dataSize = L.pageSize - L.entriesStart;
  std::span<const std::uint8_t> data = page.subspan(L.entriesStart);
  std::span<const std::uint8_t> prefix;
  std::size_t start = 0;
  out.entries.reserve(markedEntries(page.subspan(L.entryMask, L.entryMaskSize)));
  for (std::size_t bit = 0; bit < std::size_t{L.entryMaskSize} * 8; ++bit) {
    const std::uint8_t maskByte = page[L.entryMask + bit / 8];
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

Status forEachLeafEntry(const IndexPageReader& read, Version version, std::uint32_t rootPage,
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
    JET_ASSIGN_OR_RETURN(IndexPage page, parseIndexPage(buffer, version, pageNumber));
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
