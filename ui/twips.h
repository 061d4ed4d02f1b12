// twips.h: the windows' designed measures are in twips; 15 twips make one pixel at 96 dots per
// inch.
#pragma once

#include <QLabel>
#include <QRect>

namespace ui {

constexpr int px(int twips) { return (twips + 7) / 15; }

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

// A label at its designed place, widened when its text in this platform's font needs more room
// than the design gave it (the substitute face runs a little wider).
inline void placeLabel(QLabel& label, const QRect& designed) {
  label.setGeometry(designed);
  const int needed = label.sizeHint().width();
  if (needed > designed.width()) label.resize(needed, designed.height());
}

}  // namespace ui
