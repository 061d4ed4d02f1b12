// twips.h: the windows' designed measures are in twips; 15 twips make one pixel at 96 dots per
// inch.
#pragma once

#include <QRect>

namespace ui {

constexpr int px(int twips) { return (twips + 7) / 15; }

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

}  // namespace ui
