// page_filler.h: fills a fresh data page (table rows or long-value rows) from the end down, for
// tables being created; never edits a page that holds rows already. Where the page goes is the
// caller's business. The page's format (header, row table, free-space counter) is
// data_page_editor.h's.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/page/data_page_editor.h"
#include "jet/core/format.h"

namespace jet {

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
