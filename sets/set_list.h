// set_list.h: the ordered replacement sets of the multiple find-and-replace tab, with the one
// selection that the find list and the replace list share. Windows show it; files fill it.
#pragma once

#include <cassert>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "sets/replacement_set.h"
#include "sets/set_status.h"

namespace sets {

// The two lists that show the sets side by side: entry i of each belongs to set i.
enum class SetColumn { kFind, kReplace };

class SetList {
 public:
  // Positions are 16-bit signed, so the list holds at most this many sets.
  static constexpr int kCapacity = 32767;
  static constexpr int kNoSelection = -1;

  // Told when picking in one list moved the other list's selection, so that the window can move
  // that list too. Handing the same position back through pick() does nothing, so the exchange
  // settles after one round.
  using SelectionListener = std::function<void(SetColumn movedList, int position)>;

  int count() const { return static_cast<int>(sets_.size()); }
  bool empty() const { return sets_.empty(); }
  // Set i; the caller keeps 0 <= i < count().
  const ReplacementSet& at(int i) const {
    assert(i >= 0 && i < count());
    return sets_[static_cast<std::size_t>(i)];
  }
  const std::vector<ReplacementSet>& all() const { return sets_; }

  // Adds the set at the end; the selection stays. Refused, changing nothing, when the list is full.
  Status append(ReplacementSet set);
  // Adds all of `more` at the end, in order, or (when they would not all fit) none of them.
  Status appendAll(std::span<const ReplacementSet> more);

  // Removes the selected set from both lists; afterwards nothing is selected. Nothing selected:
  // nothing happens.
  void removeSelected();
  // Removes every set; afterwards nothing is selected.
  void clear();

  // The selected position of one list (kNoSelection for none); both lists always agree.
  int selected(SetColumn list) const;
  // The user picked `position` in `list` (its Click), or an edit of its field left it at
  // `position` (its Change; kNoSelection when the edit left no entry selected). The other list
  // follows. A position outside the list counts as no selection.
  void pick(SetColumn list, int position);
  void setSelectionListener(SelectionListener listener) { listener_ = std::move(listener); }

 private:
  std::vector<ReplacementSet> sets_;
  int findSelected_ = kNoSelection;
  int replaceSelected_ = kNoSelection;
  SelectionListener listener_;
};

}  // namespace sets
