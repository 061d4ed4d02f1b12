// page_filler.cpp: append-only data pages.
#include "jet/page/page_filler.h"

namespace jet {

PageFiller::PageFiller(const Format& f, std::uint32_t owner, bool longValues)
    : f_(f), owner_(owner), longValues_(longValues) {
  reset();
}

void PageFiller::reset() {
  page_.assign(f_.pageSize, 0);
  DataPageEditor::initialise(page_, f_.jet3, owner_, longValues_);
}

DataPageEditor PageFiller::editor() const {
  return DataPageEditor(const_cast<std::vector<std::uint8_t>&>(page_), f_.jet3);
}

std::uint16_t PageFiller::rowCount() const {
  return static_cast<std::uint16_t>(editor().rowCount());
}

bool PageFiller::fits(std::size_t size) const { return editor().fits(size); }

std::uint8_t PageFiller::add(std::span<const std::uint8_t> row) {
  std::optional<std::size_t> number = DataPageEditor(page_, f_.jet3).append(row, 0);
  return static_cast<std::uint8_t>(number.value_or(0));
}

}  // namespace jet
