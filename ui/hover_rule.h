// hover_rule.h: applies the hover rule of one window: mouse moves over its push buttons set the
// hand, over its resetting surfaces the arrow; other controls leave the pointer alone.
#pragma once

#include <QObject>
#include <QSet>

#include "app/window_pointer.h"

class QWidget;

namespace ui {

class HoverRule : public QObject {
 public:
  HoverRule(app::WindowPointer& pointer, QObject* parent) : QObject(parent), pointer_(pointer) {}

  void handOver(QWidget& widget);   // a push button
  void arrowOver(QWidget& widget);  // the window background, a frame, a list, the tab control

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watch(QWidget& widget);

  app::WindowPointer& pointer_;
  QSet<QObject*> hand_;
  QSet<QObject*> arrow_;
};

}  // namespace ui
