// window_pointer.cpp: the modes shown as Qt cursors on the window (its controls inherit them,
// text boxes keep their own text cursor in default mode).
#include "app/window_pointer.h"

#include <QWidget>

namespace app {

void WindowPointer::setMode(PointerMode mode) {
  mode_ = mode;
  switch (mode) {
    case PointerMode::kDefault:
      window_.unsetCursor();
      break;
    case PointerMode::kBusy:
      window_.setCursor(Qt::WaitCursor);
      break;
    case PointerMode::kCustom:
      window_.setCursor(image_ ? *image_ : QCursor(Qt::ArrowCursor));
      break;
  }
}

void WindowPointer::setCustomImage(std::optional<QCursor> image) {
  image_ = std::move(image);
  if (mode_ == PointerMode::kCustom) setMode(mode_);
}

}  // namespace app
