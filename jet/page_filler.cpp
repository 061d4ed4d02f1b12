// page_filler.cpp: append-only data pages.
#include "jet/page_filler.h"

#include <algorithm>

#include "jet/byte_writer.h"

namespace jet {
namespace {
constexpr std::size_t kMaxRows = 255;
constexpr std::size_t kRowEntry = 2;
constexpr std::size_t kOwner = 4;
constexpr std::size_t kFreeSpace = 2;
}  // namespace

PageFiller::PageFiller(const Format& f, std::uint32_t owner, bool longValues)
    : f_(f), owner_(owner), longValues_(longValues) {
  reset();
}

void PageFiller::reset() {
  page_.assign(f_.pageSize, 0);
  page_[0] = 0x01;
  page_[1] = 0x01;
  if (longValues_) {
    std::copy_n("LVAL", 4, page_.begin() + kOwner);
  } else {
    put32(page_, kOwner, owner_);
  }
  rows_ = 0;
  rowStart_ = f_.pageSize;
  put16(page_, kFreeSpace, static_cast<std::uint16_t>(freeSpace()));
}

std::size_t PageFiller::freeSpace() const {
  return rowStart_ - f_.dataRowTable - kRowEntry * rows_;
}

bool PageFiller::fits(std::size_t size) const {
  return rows_ < kMaxRows && size + kRowEntry <= freeSpace();
}

std::uint8_t PageFiller::add(std::span<const std::uint8_t> row) {
  rowStart_ -= row.size();
  std::copy(row.begin(), row.end(), page_.begin() + static_cast<std::ptrdiff_t>(rowStart_));
  put16(page_, f_.dataRowTable + kRowEntry * rows_, static_cast<std::uint16_t>(rowStart_));
  std::uint8_t number = static_cast<std::uint8_t>(rows_++);
  put16(page_, f_.dataRowCount, rows_);
  put16(page_, kFreeSpace, static_cast<std::uint16_t>(freeSpace()));
  return number;
}

}  // namespace jet
