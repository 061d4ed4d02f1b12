// window_pointer.h: a window's one pointer mode (default, busy, custom) and its custom image,
// with the hover rule: a push button sets the hand, a resetting surface the arrow, and neither
// ever replaces a busy pointer.
#pragma once

#include <QCursor>
#include <optional>

class QWidget;

namespace app {

enum class PointerMode { kDefault = 0, kBusy = 11, kCustom = 99 };

class WindowPointer {
 public:
  explicit WindowPointer(QWidget& window) : window_(window) {}

  PointerMode mode() const { return mode_; }
  // Shows the pointer of `mode` over the window and its controls.
  void setMode(PointerMode mode);
  // The custom image; without one, custom mode shows the arrow.
  void setCustomImage(std::optional<QCursor> image);
  bool hasCustomImage() const { return image_.has_value(); }

  // The hover rule.
  void setHandPointer() {
    if (mode_ != PointerMode::kBusy) setMode(PointerMode::kCustom);
  }
  void setDefaultPointer() {
    if (mode_ != PointerMode::kBusy) setMode(PointerMode::kDefault);
  }

 private:
  QWidget& window_;
  PointerMode mode_ = PointerMode::kDefault;
  std::optional<QCursor> image_;
};

}  // namespace app
