// fault_hook.cpp: the decisions of the test-only power cut.

#include "jet/file/fault_hook.h"

namespace jet {

FaultHook FaultHook::counting() { return FaultHook(Mode::kCount, 0); }
FaultHook FaultHook::stopAfter(int n) { return FaultHook(Mode::kStop, n); }
FaultHook FaultHook::garbleAt(int n) { return FaultHook(Mode::kGarble, n); }

FaultHook::Decision FaultHook::beforeWrite(std::size_t size) {
  if (dead_) return {0, true};
  ++writes_;
  if (observer) observer(writes_);
  if (mode_ == Mode::kStop && writes_ > n_) {
    dead_ = true;
    return {0, true};
  }
  if (mode_ == Mode::kGarble && writes_ == n_) {
    dead_ = true;
    return {size / 2, true};
  }
  return {size, false};
}

}  // namespace jet
