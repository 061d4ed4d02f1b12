// index_page_writer.cpp: lays out index pages. Header fields little-endian, entries big-endian;
// the layout offsets come from indexPageLayout.
#include "jet/index/index_page_writer.h"

#include <algorithm>
#include <string>

#include "jet/core/error_codes.h"

namespace jet {
namespace {

void putLe16(std::vector<std::uint8_t>& p, std::size_t at, std::size_t v) {
  p[at] = static_cast<std::uint8_t>(v & 0xFF);
  p[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void putLe32(std::vector<std::uint8_t>& p, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

void putBe(std::vector<std::uint8_t>& out, std::uint32_t v, std::size_t n) {
  for (std::size_t i = n; i-- > 0;) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

constexpr std::size_t kTrailerLeaf = 4;  // 3-byte page + row
constexpr std::size_t kTrailerNode = 8;  // and the child page

std::size_t storedSize(const IndexEntry& e, bool leaf) {
  return e.key.size() + (leaf ? kTrailerLeaf : kTrailerNode);
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
  for (const auto& e : page.entries) total += storedSize(e, page.leaf);
  return total;
}

// Access shares a prefix only when the entries would not fit whole.
std::size_t prefixOf(const IndexPage& page, Version version) {
  if (page.entries.size() < 2 || wholeBytes(page) <= maxIndexEntryBytes(version)) return 0;
  const IndexEntry& a = page.entries.front();
  const IndexEntry& b = page.entries.back();
  const std::size_t n = std::min(storedSize(a, page.leaf), storedSize(b, page.leaf));
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

std::size_t maxIndexEntryBytes(Version version) {
  const IndexPageLayout L = indexPageLayout(version);
  return std::min<std::size_t>(L.pageSize - L.entriesStart, std::size_t{L.entryMaskSize} * 8);
}

std::vector<std::uint8_t> storedEntry(const IndexEntry& entry, bool leaf) {
  std::vector<std::uint8_t> out;
  out.reserve(storedSize(entry, leaf));
  appendStored(out, entry, leaf);
  return out;
}

std::size_t storedEntryBytes(const IndexPage& page, Version version) {
  std::size_t prefix = prefixOf(page, version);
  std::size_t total = wholeBytes(page) - prefix * page.entries.size();
  return total + (page.entries.empty() ? 0 : prefix);
}

Result<std::vector<std::uint8_t>> writeIndexPage(const IndexPage& page, Version version,
                                                 std::span<const std::uint8_t> model) {
  const IndexPageLayout L = indexPageLayout(version);
  std::vector<std::uint8_t> out(L.pageSize, 0);
  if (model.size() == L.pageSize) std::copy_n(model.begin(), L.entryMask, out.begin());
  out[0] = page.leaf ? kIndexLeafPage : kIndexNodePage;
  out[1] = 0x01;
  putLe32(out, 4, page.tablePage);
  putLe32(out, L.prevPage, page.prevPage);
  putLe32(out, L.nextPage, page.nextPage);
  putLe32(out, L.childTail, page.childTailPage);
  const std::size_t prefix = prefixOf(page, version);
  if (L.prefixLengthSize == 1) {
    out[L.prefixLength] = static_cast<std::uint8_t>(prefix);
  } else {
    putLe16(out, L.prefixLength, prefix);
  }
  if (storedEntryBytes(page, version) > maxIndexEntryBytes(version) ||
      (L.prefixLengthSize == 1 && prefix > 0xFF)) {
    return Error{err::kBadPage, "index page " + std::to_string(page.number) +
                                    ": its entries do not fit on one page"};
  }
  std::size_t at = L.entriesStart;
  std::vector<std::uint8_t> bytes;  // one entry's stored form, the buffer reused
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    bytes.clear();
    appendStored(bytes, page.entries[i], page.leaf);
    std::size_t skip = i == 0 ? 0 : prefix;
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(skip), bytes.end(),
              out.begin() + static_cast<std::ptrdiff_t>(at));
    at += bytes.size() - skip;
    std::size_t bit = at - L.entriesStart;
    out[L.entryMask + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  putLe16(out, 2, L.pageSize - at);
  return out;
}

}  // namespace jet
