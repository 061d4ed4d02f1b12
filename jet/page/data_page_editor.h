// data_page_editor.h: edits rows on a data page (table rows and long-value rows alike): row bounds
// and flags, replacing a row while every row keeps its number and flags, appending a row, free
// space. Rows are laid out again from the page end down, so the page never holds gaps.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/core/format.h"
#include "jet/pager/page_cache.h"
#include "jet/core/status.h"

namespace jet {

class DataPageEditor {
 public:
  static constexpr std::uint16_t kRowDeleted = jet::kRowDeleted;
  static constexpr std::uint16_t kRowOverflow = jet::kRowOverflow;
  static constexpr std::uint16_t kRowOffsetMask = jet::kRowOffsetMask;
  static constexpr std::size_t kMaxRowsPerPage = 255;

  // `jet3`: 2 KB pages, row count at 8 and the row table at 10 (Jet4+: 12 and 14).
  DataPageEditor(Page& page, bool jet3) : page_(page), jet3_(jet3) {}

  // A fresh page of type 1 owned by `owner` (a table definition page, or 0 with `longValue`).
  static void initialise(Page& page, bool jet3, std::uint32_t owner, bool longValue);

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
  std::size_t rowTable() const { return format().dataRowTable; }
  std::size_t countAt() const { return format().dataRowCount; }
  const Format& format() const { return formatFor(jet3_ ? Version::kJet3 : Version::kJet4); }
  std::uint16_t entry(std::size_t row) const;
  bool rebuild(std::vector<std::vector<std::uint8_t>> rows, std::vector<std::uint16_t> flags);

  Page& page_;
  bool jet3_;
};

}  // namespace jet
