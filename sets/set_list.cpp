// set_list.cpp: appending, removing and selecting sets while keeping the two lists paired.

#include "sets/set_list.h"

#include <string>

namespace sets {
namespace {

Error listFull(std::size_t wanted) {
  return Error{err::kListFull, "The set list can hold at most " +
                                   std::to_string(SetList::kCapacity) + " sets; adding " +
                                   std::to_string(wanted) + " more would pass that, so none " +
                                   "were added."};
}

}  // namespace

Status SetList::append(ReplacementSet set) {
  if (sets_.size() >= static_cast<std::size_t>(kCapacity)) return listFull(1);
  sets_.push_back(std::move(set));
  return {};
}

Status SetList::appendAll(std::span<const ReplacementSet> more) {
  if (more.size() > static_cast<std::size_t>(kCapacity) - sets_.size()) {
    return listFull(more.size());
  }
  sets_.insert(sets_.end(), more.begin(), more.end());
  return {};
}

void SetList::removeSelected() {
  // Both positions are equal by construction; removing one set keeps the lists paired.
  if (findSelected_ == kNoSelection) return;
  sets_.erase(sets_.begin() + findSelected_);
  findSelected_ = kNoSelection;
  replaceSelected_ = kNoSelection;
}

void SetList::clear() {
  sets_.clear();
  findSelected_ = kNoSelection;
  replaceSelected_ = kNoSelection;
}

int SetList::selected(SetColumn list) const {
  return list == SetColumn::kFind ? findSelected_ : replaceSelected_;
}

void SetList::pick(SetColumn list, int position) {
  if (position < 0 || position >= count()) position = kNoSelection;
  int& own = list == SetColumn::kFind ? findSelected_ : replaceSelected_;
  int& other = list == SetColumn::kFind ? replaceSelected_ : findSelected_;
  own = position;
  if (other == position) return;
  other = position;
  if (listener_) {
    listener_(list == SetColumn::kFind ? SetColumn::kReplace : SetColumn::kFind, position);
  }
}

}  // namespace sets
