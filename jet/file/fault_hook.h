// fault_hook.h: a test-only power cut for the write path. Every write, truncate and delete asks
// it first; it can stop all I/O after write N, or let write N land only half and then stop.
#pragma once

#include <cstddef>
#include <functional>

namespace jet {

class FaultHook {
 public:
  // What the write path does with the operation it is about to make.
  struct Decision {
    std::size_t bytesToWrite = 0;  // all of it, half of it (garble), or none
    bool fail = false;             // after bytesToWrite, stop with err::kInjectedFault
  };

  static FaultHook counting();        // never fails; counts writes
  static FaultHook stopAfter(int n);  // writes 1..n land; write n+1 and all later I/O fail
  static FaultHook garbleAt(int n);   // writes 1..n-1 land; write n lands half, then all fails

  // Asked before each mutating operation of `size` bytes (0 for a truncate or a delete).
  Decision beforeWrite(std::size_t size);
  // True once the simulated crash has happened: reads and syncs fail too, without I/O.
  bool dead() const { return dead_; }
  // Mutating operations asked about so far.
  int writes() const { return writes_; }

  // Called with each write's number (from 1) before it is decided; lets a test end a real
  // process at a chosen write.
  std::function<void(int)> observer;

 private:
  enum class Mode { kCount, kStop, kGarble };
  FaultHook(Mode mode, int n) : mode_(mode), n_(n) {}

  Mode mode_;
  int n_;
  int writes_ = 0;
  bool dead_ = false;
};

}  // namespace jet
