// preview_window_test.cpp: "Preview…" and "Undo this run" through the real run on a copy of the
// sample: the preview lists each change with its row and marks, applying changes exactly the
// ticked cells, and the summary's undo takes a run back after one question.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include "engine/text_formats.h"
#include "jet/database.h"
#include "ui/database_window.h"
#include "ui/engine_runner.h"
#include "ui/main_window.h"
#include "ui/preview_window.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

std::vector<std::string> columnValues(const QString& path, const char* table, const char* column) {
  std::vector<std::string> out;
  auto database = jet::Database::open(path.toStdString());
  auto definition = database.value()->table(table);
  std::size_t at = 0;
  while (definition.value().columns[at].name != column) ++at;
  const engine::TextFormats formats;
  auto scan = database.value()->scan(definition.value());
  jet::Row row;
  while (scan.value()->next(row).value()) {
    out.push_back(formats.valueText(definition.value().columns[at].type, row.values[at]));
  }
  return out;
}

QString sampleFile() { return QString::fromUtf8(FIELDMEND_SOURCE_DIR) + "/Samples/sample.mdb"; }

class PreviewAndUndo : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(sampleFile())) GTEST_SKIP() << "no sample database in this checkout";
    ASSERT_TRUE(QFile::copy(sampleFile(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    bench.write("AccessMDBFile", path);
    ASSERT_TRUE(window.startUp());
    main().button(9).click();
    main().tableList().findItems("Customers", Qt::MatchExactly).first()->setSelected(true);
    main().findText().setText("an");
    main().replaceText().setText("AN");
  }
  MainWindow& main() { return window.mainWindow(); }

  TestBench bench;
  const std::string tempText = bench.temp.path().toStdString();
  EngineRunner runner{[this](const char* name) -> const char* {
    return std::string_view(name) == "TEMP" ? tempText.c_str() : nullptr;
  }};
  WindowContext context{bench.dialogs, bench.settings,          bench.database, runner,
                        bench.opener,  bench.context.appFolder, [] {}};
  const QString path = bench.temp.filePath("sample.mdb");
  DatabaseWindow window{context};
};

TEST_F(PreviewAndUndo, ApplyingAPreviewChangesExactlyTheTickedCells) {
  const auto cities = columnValues(path, "Customers", "City");
  const auto names = columnValues(path, "Customers", "ContactName");
  // Beside "Start Replacing", on its row.
  EXPECT_EQ(main().previewButton().y(), main().button(1).y());
  EXPECT_GT(main().previewButton().x(), main().button(1).geometry().right());

  std::size_t listed = 0;
  bench.dialogs.modalScripts.push_back([&](QDialog& dialog) {
    auto& preview = dynamic_cast<PreviewWindow&>(dialog);
    preview.start();
    PreviewModel& model = preview.model();
    listed = model.changeCount();
    ASSERT_GT(listed, 2u);
    const QModelIndex first = model.index(0, PreviewModel::kRow);
    EXPECT_EQ(model.data(first, Qt::DisplayRole).toString().left(11), "CustomerID=");
    EXPECT_FALSE(model.data(model.index(0, PreviewModel::kOld), PreviewModel::kMarksRole)
                     .toList()
                     .isEmpty());
    // No city at all, and the first contact name left out.
    const std::string city = "City";
    model.setGroupTicked("Customers", &city, false);
    int firstName = -1;
    for (int r = 0; r < model.rowCount() && firstName < 0; ++r) {
      if (model.data(model.index(r, PreviewModel::kColumn), Qt::DisplayRole) == "ContactName") {
        firstName = r;
      }
    }
    ASSERT_GE(firstName, 0);
    model.setTicked(firstName, false);
    preview.applyButton().click();
  });
  main().previewButton().click();
  ASSERT_GT(listed, 0u);

  EXPECT_EQ(columnValues(path, "Customers", "City"), cities);
  const auto namesAfter = columnValues(path, "Customers", "ContactName");
  std::size_t changed = 0;
  std::size_t leftOut = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool wanted = names[i].find("an") != std::string::npos;
    if (namesAfter[i] != names[i]) ++changed;
    if (wanted && namesAfter[i] == names[i]) ++leftOut;
  }
  EXPECT_GT(changed, 0u);
  EXPECT_EQ(leftOut, 1u);
  // The run that applied them can be taken back like any other.
  EXPECT_TRUE(main().undoButton().isVisible());
}

TEST_F(PreviewAndUndo, UndoThisRunAsksOnceThenPutsTheValuesBack) {
  const auto names = columnValues(path, "Customers", "ContactName");
  main().button(1).click();
  ASSERT_NE(columnValues(path, "Customers", "ContactName"), names);
  ASSERT_TRUE(main().undoButton().isVisible());
  EXPECT_NE(main().summaryBox().toPlainText().indexOf("Undo file: "), -1);

  bench.dialogs.yesNoAnswers = {false};
  main().undoButton().click();
  EXPECT_NE(columnValues(path, "Customers", "ContactName"), names);
  bench.dialogs.yesNoAnswers = {true};
  main().undoButton().click();
  EXPECT_EQ(bench.dialogs.texts("question"),
            (std::vector<std::string>{MainWindow::kUndoQuestion, MainWindow::kUndoQuestion}));
  EXPECT_EQ(columnValues(path, "Customers", "ContactName"), names);
  EXPECT_FALSE(main().undoButton().isVisible());
  EXPECT_NE(main().progressLabel().text().indexOf("put back"), -1)
      << main().progressLabel().text().toStdString();
}

}  // namespace
}  // namespace ui
