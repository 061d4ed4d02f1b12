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
#include <QTimer>

namespace ui {
namespace {

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
  QEventLoop loop;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  dialog.setDirectory(folder.path());
  loop.exec();

  EXPECT_EQ(dialog.windowTitle(), "Select Access Database");
  auto* choices = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(choices, nullptr);
  ASSERT_EQ(choices->count(), 2);
  EXPECT_EQ(choices->itemText(0), "All Microsoft Databases (*.mdb,*.accdb)");
  EXPECT_EQ(choices->itemText(1), "Microsoft Database (*.mdb)");
  auto listed = [&](const char* name) {
    const QModelIndex at = model->index(folder.filePath(name));
    return at.isValid() && (model->flags(at) & Qt::ItemIsEnabled);
  };
  EXPECT_TRUE(listed("UPPER.MDB"));
  EXPECT_TRUE(listed("lower.accdb"));
  EXPECT_FALSE(listed("notes.txt"));
  dialog.selectNameFilter(dialog.nameFilters().at(1));  // the model filters again a moment later
  QElapsedTimer waited;
  waited.start();
  while (listed("lower.accdb") && waited.elapsed() < 5000) QCoreApplication::processEvents();
  EXPECT_TRUE(listed("UPPER.MDB"));
  EXPECT_FALSE(listed("lower.accdb"));
}

}  // namespace
}  // namespace ui
