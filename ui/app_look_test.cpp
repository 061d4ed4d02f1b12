// app_look_test.cpp: the skin present and absent, the colour rule on the real windows, the hand
// pointer file, and the hover rule with its busy case.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "app/hand_cursor.h"
#include "app/look.h"
#include "ui/database_window.h"
#include "ui/load_sets_window.h"
#include "ui/main_window.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

QColor background(QWidget& widget) { return widget.palette().color(QPalette::Window); }

void moveOver(QWidget& widget) {
  const QPointF at(1, 1);
  QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&widget, &move);
}

void writeSkin(TestBench& bench, const QByteArray& sheet) {
  QDir().mkpath(bench.context.appFolder + "/x");
  QFile file(bench.context.appFolder + "/x/o.cjs");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(sheet);
}

TEST(Skin, AbsentLeavesTheDatabaseWindowWhiteWhileTheOthersTakeTheButtonFace) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_EQ(background(window), app::kDesignedWhite);
  EXPECT_EQ(background(window.frame()), app::kDesignedWhite);
  for (QLabel* label : window.findChildren<QLabel*>()) {
    EXPECT_EQ(background(*label), app::kDesignedWhite);
  }
  EXPECT_TRUE(window.styleSheet().isEmpty());

  MainWindow main(bench.context);
  main.load();
  EXPECT_EQ(background(main), app::buttonFaceColor());
  EXPECT_EQ(background(main.frame()), app::buttonFaceColor());
  for (QLabel* label : main.findChildren<QLabel*>()) {
    EXPECT_EQ(background(*label), app::buttonFaceColor());
  }
  LoadSetsWindow sets(bench.context, main.setList(), &main);
  sets.load();
  EXPECT_EQ(background(sets), app::buttonFaceColor());
}

TEST(Skin, PresentRecoloursOnlyTheFourKindsAndAppliesTheSheet) {
  TestBench bench;
  writeSkin(bench, "QPushButton { color: rgb(1, 2, 3); }");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_EQ(background(window), app::buttonFaceColor());
  EXPECT_EQ(background(window.frame()), app::buttonFaceColor());
  for (QLabel* label : window.findChildren<QLabel*>()) {
    EXPECT_EQ(background(*label), app::buttonFaceColor());
  }
  EXPECT_FALSE(window.pathBox().autoFillBackground());  // text boxes keep their colours
  EXPECT_EQ(window.styleSheet(), "QPushButton { color: rgb(1, 2, 3); }");
  EXPECT_TRUE(bench.dialogs.reports.empty());
}

TEST(Skin, AFolderHiddenOrUnreadableFileCountsAsAbsent) {
  {
    TestBench bench;
    QDir().mkpath(bench.context.appFolder + "/x/o.cjs");
    EXPECT_FALSE(app::skinFilePresent(bench.context.appFolder));
  }
  {
    TestBench bench;
    writeSkin(bench, "QWidget {}");
    EXPECT_TRUE(app::skinFilePresent(bench.context.appFolder));
    QFile::setPermissions(bench.context.appFolder + "/x/o.cjs", QFileDevice::Permissions());
    if (!QFile(bench.context.appFolder + "/x/o.cjs").open(QIODevice::ReadOnly)) {
      EXPECT_FALSE(app::skinFilePresent(bench.context.appFolder));
      DatabaseWindow window(bench.context);
      ASSERT_TRUE(window.startUp());
      EXPECT_EQ(background(window), app::kDesignedWhite);
      EXPECT_TRUE(bench.dialogs.reports.empty());
    }
  }
}

TEST(HandCursor, IsReadWithItsHotspotAndIsOptional) {
  TestBench bench;
  auto none = app::loadHandCursor(bench.context.appFolder);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none.value().has_value());

  bench.ship("HAND-M.CUR");
  auto hand = app::loadHandCursor(bench.context.appFolder);
  ASSERT_TRUE(hand.ok()) << hand.error().description;
  ASSERT_TRUE(hand.value().has_value());
  EXPECT_EQ(hand.value()->hotSpot(), QPoint(6, 0));
  EXPECT_EQ(hand.value()->pixmap().size(), QSize(32, 32));

  auto garbage = app::cursorFromBytes(QByteArray(40, 'x'), "/a/HAND-M.CUR");
  ASSERT_FALSE(garbage.ok());
  EXPECT_NE(garbage.error().description.find("/a/HAND-M.CUR"), std::string::npos);
}

TEST(HandCursor, ABrokenFileIsReportedAtItsStepAndStartUpGoesOn) {
  TestBench bench;
  QFile file(bench.context.appFolder + "/HAND-M.CUR");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a cursor");
  file.close();
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.reports[0].location, "Form1.Form_Load");
  EXPECT_EQ(bench.dialogs.reports[0].line, 126);
  EXPECT_TRUE(window.isVisible());
}

TEST(HoverRule, ButtonsSetTheHandResettingSurfacesTheArrowOthersNothing) {
  TestBench bench;
  bench.ship("HAND-M.CUR");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  app::WindowPointer& pointer = window.pointer();
  ASSERT_TRUE(pointer.hasCustomImage());
  moveOver(window.button(2));
  EXPECT_EQ(pointer.mode(), app::PointerMode::kCustom);
  EXPECT_EQ(window.cursor().hotSpot(), QPoint(6, 0));
  moveOver(window.pathBox());  // a text box keeps the hand
  EXPECT_EQ(pointer.mode(), app::PointerMode::kCustom);
  moveOver(*window.findChild<QLabel*>("Label5"));  // so does a label
  EXPECT_EQ(pointer.mode(), app::PointerMode::kCustom);
  moveOver(window.frame());
  EXPECT_EQ(pointer.mode(), app::PointerMode::kDefault);
  moveOver(window.button(1));
  moveOver(window);
  EXPECT_EQ(pointer.mode(), app::PointerMode::kDefault);
}

TEST(HoverRule, NeverReplacesABusyPointer) {
  TestBench bench;
  bench.ship("HAND-M.CUR");
  MainWindow main(bench.context);
  main.load();
  main.pointer().setMode(app::PointerMode::kBusy);
  for (QWidget* surface : std::initializer_list<QWidget*>{&main.button(1), &main.button(10), &main,
                                                          &main.tabs(), &main.frame()}) {
    moveOver(*surface);
    EXPECT_EQ(main.pointer().mode(), app::PointerMode::kBusy);
    EXPECT_EQ(main.cursor().shape(), Qt::WaitCursor);
  }
  main.pointer().setMode(app::PointerMode::kDefault);
  moveOver(main.button(8));
  EXPECT_EQ(main.pointer().mode(), app::PointerMode::kCustom);
  moveOver(*main.tabs().tabBar());
  EXPECT_EQ(main.pointer().mode(), app::PointerMode::kDefault);
  moveOver(main.button(8));
  moveOver(*main.tabs().widget(0));  // the tab's own background
  EXPECT_EQ(main.pointer().mode(), app::PointerMode::kDefault);
}

TEST(HoverRule, WithoutAPointerFileCustomModeShowsTheArrow) {
  TestBench bench;
  sets::SetList list;
  LoadSetsWindow window(bench.context, list, nullptr);
  window.load();
  moveOver(window.button(3));
  EXPECT_EQ(window.pointer().mode(), app::PointerMode::kCustom);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

TEST(Look, FontsAndIcon) {
  EXPECT_EQ(app::textFont().family(), "Arial");
  EXPECT_DOUBLE_EQ(app::textFont().pointSizeF(), 9.0);
  EXPECT_EQ(app::buttonFont().weight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(app::buttonFont().pointSizeF(), 11.25);
  TestBench bench;
  bench.ship("fieldmend.png");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_DOUBLE_EQ(window.button(2).font().pointSizeF(), 11.25);
}

}  // namespace
}  // namespace ui
