// hover_rule.cpp: mouse tracking and an event filter on each surface.
#include "ui/hover_rule.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace ui {
namespace {

// A move that a label or another passive child passed up to its frame or window is not a move
// over the background: only the surface itself, where no child is, resets the pointer.
bool isOverBackground(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove) return true;
  auto* widget = static_cast<QWidget*>(watched);
  const auto* move = static_cast<QMouseEvent*>(event);
  return widget->childAt(move->position().toPoint()) == nullptr;
}

}  // namespace

void HoverRule::watch(QWidget& widget) {
  widget.setMouseTracking(true);
  widget.installEventFilter(this);
}

void HoverRule::handOver(QWidget& widget) {
  hand_.insert(&widget);
  watch(widget);
}

void HoverRule::arrowOver(QWidget& widget) {
  arrow_.insert(&widget);
  watch(widget);
}

bool HoverRule::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    if (hand_.contains(watched)) {
      pointer_.setHandPointer();
    } else if (arrow_.contains(watched) && isOverBackground(watched, event)) {
      pointer_.setDefaultPointer();
    }
  }
  return false;
}

}  // namespace ui
