// qt_dialogs_test.cpp: the real file dialog as the windows ready it: its filter choices and the
// files each one lists.
#include "ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>

namespace ui {
namespace {

// The model loads a folder and applies a filter on timers of its own; wait for what the test
// expects rather than for one of its signals.
template <class Condition>
void waitUntil(Condition done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(QtDialogs, FileFiltersShowTheirLabelsOnceAndIgnoreLetterCase) {
  QTemporaryDir folder;
  for (const char* name : {"UPPER.MDB", "lower.accdb", "notes.txt"}) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QFileDialog dialog;
  prepareFileDialog(dialog, {"Select Access Database",
                             {{"All Microsoft Databases (*.mdb,*.accdb)", "*.*db"},
                              {"Microsoft Database (*.mdb)", "*.mdb"}}});
  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  dialog.setDirectory(folder.path());

  EXPECT_EQ(dialog.windowTitle(), "Select Access Database");
  auto* choices = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(choices, nullptr);
  ASSERT_EQ(choices->count(), 2);
  EXPECT_EQ(choices->itemText(0), "All Microsoft Databases (*.mdb,*.accdb)");
  EXPECT_EQ(choices->itemText(1), "Microsoft Database (*.mdb)");
  // Listed: among the folder's visible rows and enabled (a filter either hides or greys out).
  auto listed = [&](const char* name) {
    const QModelIndex parent = model->index(folder.path());
    for (int row = 0; row < model->rowCount(parent); ++row) {
      const QModelIndex at = model->index(row, 0, parent);
      if (at.data().toString() == name) return bool(model->flags(at) & Qt::ItemIsEnabled);
    }
    return false;
  };
  waitUntil([&] { return listed("UPPER.MDB") && listed("lower.accdb") && !listed("notes.txt"); });
  EXPECT_TRUE(listed("UPPER.MDB"));
  EXPECT_TRUE(listed("lower.accdb"));
  EXPECT_FALSE(listed("notes.txt"));
  dialog.selectNameFilter(dialog.nameFilters().at(1));  // the model filters again a moment later
  waitUntil([&] { return !listed("lower.accdb"); });
  EXPECT_TRUE(listed("UPPER.MDB"));
  EXPECT_FALSE(listed("lower.accdb"));
}

}  // namespace
}  // namespace ui
