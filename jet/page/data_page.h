// data_page.h: data pages (type 1), which hold table rows, long-value rows and usage maps alike.
// Reading: the row table, every bound checked, with each row's bytes and deleted/overflow flags.
// Editing: replacing a row while every row keeps its number and flags, appending a row, free
// space; rows are laid out again from the page end down, so the page never holds gaps.
// Building: PageFiller fills fresh pages for tables being created. Row contents belong to the
// row codec. Layout: docs/format/data_page.md.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "jet/core/bytes.h"
#include "jet/core/format.h"
#include "jet/core/status.h"
#include "jet/pager/page_cache.h"

namespace jet {

// A row pointer as stored in usage-map, long-value and overflow pointers: row byte + 3-byte page.
struct RowPointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  static RowPointer fromPointer(std::uint32_t raw) {
    return {raw >> 8, static_cast<std::uint8_t>(raw & 0xFF)};
  }
  bool valid() const { return page != 0; }
};
inline RowPointer splitPointer(std::uint32_t raw) { return RowPointer::fromPointer(raw); }

struct RowSlot {
  bool deleted = false;
  bool overflow = false;
  Bytes bytes;  // the row's bytes inside the page
};

// Number of rows in the row table; an error when the table cannot fit in the page.
Result<std::uint16_t> dataRowCount(Bytes page, const Format& f);
// Row `row` of a data page. The description of an error says what is wrong, without file
// or page: the caller adds those.
Result<RowSlot> dataRow(Bytes page, const Format& f, std::uint16_t row);

// Edits the rows of a data page held in memory.
class DataPageEditor {
 public:
  static constexpr std::uint16_t kRowDeleted = jet::kRowDeleted;
  static constexpr std::uint16_t kRowOverflow = jet::kRowOverflow;
  static constexpr std::uint16_t kRowOffsetMask = jet::kRowOffsetMask;
  static constexpr std::size_t kMaxRowsPerPage = jet::kMaxRowsPerPage;

  DataPageEditor(Page& page, const Format& f) : page_(page), f_(f) {}
  DataPageEditor(Page& page, bool jet3) : DataPageEditor(page, formatOf(jet3)) {}

  // A fresh page of type 1 owned by `owner` (a table definition page, or 0 with `longValue`).
  static void initialise(Page& page, const Format& f, std::uint32_t owner, bool longValue);
  static void initialise(Page& page, bool jet3, std::uint32_t owner, bool longValue) {
    initialise(page, formatOf(jet3), owner, longValue);
  }

  std::size_t rowCount() const;
  std::uint16_t flags(std::size_t row) const;  // kRowDeleted / kRowOverflow bits
  // Start and end (exclusive) of row `row`; nullopt when the row table is damaged.
  std::optional<std::pair<std::size_t, std::size_t>> bounds(std::size_t row) const;
  std::span<const std::uint8_t> rowBytes(std::size_t row) const;
  // Bytes still free: page size - header - row table - row bytes.
  std::size_t freeSpace() const;
  std::uint32_t owner() const;

  // Replaces row `row` with `bytes` and sets its flags; false (page unchanged) when it cannot fit.
  bool replace(std::size_t row, std::span<const std::uint8_t> bytes, std::uint16_t newFlags);
  // Adds a row with `newFlags`; its number, or nullopt (page unchanged) when it cannot fit.
  std::optional<std::size_t> append(std::span<const std::uint8_t> bytes, std::uint16_t newFlags);
  // Whether a new row of `size` bytes fits.
  bool fits(std::size_t size) const;
  // Whether the row table and rows lie inside the page, in order.
  bool valid() const;

 private:
  static const Format& formatOf(bool jet3) { return jet3 ? kFormatJet3 : kFormatJet4; }
  std::uint16_t entry(std::size_t row) const;

  Page& page_;
  const Format& f_;
};

// Fills a fresh data page (table rows or long-value rows) from the end down, for tables being
// created; never edits a page that holds rows already. Where the page goes is the caller's
// business.
class PageFiller {
 public:
  // `owner`: the table-definition page the rows belong to; `longValues`: a long-value page
  // (marked "LVAL" instead of an owner).
  PageFiller(const Format& f, std::uint32_t owner, bool longValues);

  bool empty() const { return rowCount() == 0; }
  std::uint16_t rowCount() const;
  // Whether one more row of `size` bytes fits (room and the 255-row limit).
  bool fits(std::size_t size) const;
  // Adds a row (the caller checked fits()) and returns its number on the page.
  std::uint8_t add(std::span<const std::uint8_t> row);
  const std::vector<std::uint8_t>& page() const { return page_; }
  // Starts a new empty page.
  void reset();

 private:
  // The editor over the page; const members only call its const members.
  DataPageEditor editor() const;

  const Format& f_;
  std::uint32_t owner_;
  bool longValues_;
  std::vector<std::uint8_t> page_;
};

}  // namespace jet
