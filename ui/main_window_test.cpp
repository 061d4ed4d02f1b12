// main_window_test.cpp: the main window's handlers: table selection, the tab and its memory, the
// set list buttons with their paired selection, Save Sets, and Start Replacing with its busy
// pointer, progress, Cancel and "Done.".
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "engine/run_test_support.h"
#include "ui/columns_window.h"
#include "ui/match_option_controls.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

struct Loaded {
  TestBench& bench;
  MainWindow window{bench.context};
  explicit Loaded(TestBench& b, std::vector<std::string> tables = {"Customers", "Orders", "Empty"})
      : bench(b) {
    window.setDatabaseSource([] { return std::pair<std::string, std::string>("/db.mdb", "pw"); });
    window.fillTables(tables);
    window.load();
    window.show();
  }
};

std::vector<std::string> column(QComboBox& box) {
  std::vector<std::string> out;
  for (int i = 0; i < box.count(); ++i) out.push_back(box.itemText(i).toStdString());
  return out;
}

TEST(MainWindow, LoadSelectsEveryTableAndTheRememberedTab) {
  TestBench bench;
  Loaded first(bench);
  EXPECT_EQ(first.window.windowTitle(), "Fieldmend");
  EXPECT_EQ(first.window.tableList().selectedItems().size(), 3);
  EXPECT_EQ(first.window.tabs().currentIndex(), 0);  // nothing stored yet
  EXPECT_EQ(first.window.tabs().tabText(0), "Single find and replace");
  EXPECT_EQ(first.window.tabs().tabText(1), "Multiple find and replace (sets)");
  first.window.tabs().setCurrentIndex(1);
  EXPECT_EQ(bench.read("TabControl1"), "1");

  Loaded restarted(bench);  // a new start reads the stored tab
  EXPECT_EQ(restarted.window.tabs().currentIndex(), 1);
  EXPECT_TRUE(bench.dialogs.reports.empty());
}

TEST(MainWindow, AStoredTabThatIsNoNumberIsReportedAtLine118) {
  TestBench bench;
  bench.write("TabControl1", "sets");
  Loaded loaded(bench);
  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.reports[0].location, "Form2.Form_Load");
  EXPECT_EQ(bench.dialogs.reports[0].line, 118);
  EXPECT_EQ(loaded.window.tabs().currentIndex(), 0);
}

TEST(MainWindow, SelectAllAndDeselectAll) {
  TestBench bench;
  Loaded loaded(bench);
  QListWidget& list = loaded.window.tableList();
  loaded.window.button(9).click();
  EXPECT_TRUE(list.selectedItems().isEmpty());
  list.item(1)->setSelected(true);
  loaded.window.button(8).click();
  EXPECT_EQ(list.selectedItems().size(), 3);

  TestBench emptyBench;
  Loaded empty(emptyBench, {});
  empty.window.button(8).click();
  empty.window.button(9).click();
  EXPECT_TRUE(emptyBench.dialogs.shown.empty());
}

TEST(MainWindow, AddRemoveAndClearKeepTheTwoListsPaired) {
  TestBench bench;
  Loaded loaded(bench);
  MainWindow& w = loaded.window;
  bench.dialogs.textAnswers = {"findwhat::replacewith", " a :: b ", "abc", "x::", "::y", ""};
  for (int i = 0; i < 6; ++i) w.button(10).click();
  EXPECT_EQ(column(w.findList()), (std::vector<std::string>{"findwhat", " a ", "x", ""}));
  EXPECT_EQ(column(w.replaceList()), (std::vector<std::string>{"replacewith", " b ", "", "y"}));
  const auto notices = bench.dialogs.texts("notice");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], "You must use :: to separate the find text from the replace text");
  EXPECT_EQ(bench.dialogs.shown[0].text,
            "Enter find and replace set (use :: to separate find text and replace text):"
            " [findwhat::replacewith]");

  // Picking the third replace entry selects the third find entry; Remove takes that set.
  emit w.replaceList().activated(2);
  EXPECT_EQ(w.findList().currentIndex(), 2);
  w.button(3).click();
  EXPECT_EQ(column(w.findList()), (std::vector<std::string>{"findwhat", " a ", ""}));
  EXPECT_EQ(column(w.replaceList()), (std::vector<std::string>{"replacewith", " b ", "y"}));
  EXPECT_EQ(w.findList().currentIndex(), -1);
  w.button(3).click();  // nothing selected: nothing removed
  EXPECT_EQ(w.setList().count(), 3);

  w.button(11).click();
  EXPECT_EQ(w.findList().count(), 0);
  EXPECT_EQ(w.replaceList().count(), 0);
  w.button(11).click();
  EXPECT_TRUE(bench.dialogs.reports.empty());
}

TEST(MainWindow, SaveSetsAsksBeforeOverwriting) {
  TestBench bench;
  Loaded loaded(bench);
  bench.dialogs.textAnswers = {"hi::hello", "peter::pete"};
  loaded.window.button(10).click();
  loaded.window.button(10).click();
  const QString path = bench.temp.filePath("sets");
  loaded.window.button(4).click();  // cancelled: nothing written
  EXPECT_FALSE(QFile::exists(path));

  bench.dialogs.fileAnswers = {path.toStdString()};
  loaded.window.button(4).click();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("hi::hello\r\npeter::pete\r\n"));
  file.close();
  const FileDialogRequest& request = bench.dialogs.fileRequests.back();
  EXPECT_EQ(request.title, "Save");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].patterns, "*.txt");
  EXPECT_EQ(request.filters[1].label, "All Files (*.*)");
  EXPECT_EQ(request.filters[1].patterns, "*");

  loaded.window.button(11).click();
  bench.dialogs.fileAnswers = {path.toStdString(), path.toStdString()};
  bench.dialogs.yesNoAnswers = {false, true};
  loaded.window.button(4).click();  // No: untouched
  EXPECT_EQ(QFileInfo(path).size(), 24);
  loaded.window.button(4).click();  // Yes: an empty list gives an empty file
  EXPECT_EQ(QFileInfo(path).size(), 0);
  const auto questions = bench.dialogs.texts("question");
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[0], "Are you sure you wish to overwrite " + path.toStdString() + " ?");
  EXPECT_TRUE(bench.dialogs.reports.empty());
}

TEST(MainWindow, StartReplacingHandsTheWindowsInputsToTheRunInBothModes) {
  TestBench bench;
  Loaded loaded(bench);
  MainWindow& w = loaded.window;
  w.tableList().item(1)->setSelected(false);
  w.findText().setText("Par");
  w.replaceText().setText("Ber");
  w.button(1).click();
  w.tabs().setCurrentIndex(1);
  bench.dialogs.textAnswers = {"a::b", "c::d"};
  w.button(10).click();
  w.button(10).click();
  w.button(1).click();

  ASSERT_EQ(bench.runner.requests.size(), 2u);
  const RunRequest& single = bench.runner.requests[0];
  EXPECT_EQ(single.databasePath, "/db.mdb");
  EXPECT_EQ(single.password, "pw");
  EXPECT_EQ(single.tabIndex, 0);
  EXPECT_EQ(single.currentIndex, 0);
  EXPECT_EQ(single.findText, "Par");
  EXPECT_EQ(single.replaceText, "Ber");
  ASSERT_EQ(single.tables.size(), 3u);
  EXPECT_TRUE(single.tables[0].selected);
  EXPECT_FALSE(single.tables[1].selected);
  EXPECT_EQ(single.tables[2].name, "Empty");
  const RunRequest& multiple = bench.runner.requests[1];
  EXPECT_EQ(multiple.tabIndex, 1);
  ASSERT_EQ(multiple.sets.size(), 2u);
  EXPECT_EQ(multiple.sets[1].find, "c");
  EXPECT_EQ(multiple.sets[1].replace, "d");
  EXPECT_EQ(bench.dialogs.texts("notice"), (std::vector<std::string>{"Done.", "Done."}));
  EXPECT_EQ(w.pointer().mode(), app::PointerMode::kDefault);
  EXPECT_FALSE(w.progressPanel().isVisible());
  EXPECT_TRUE(w.button(1).isVisible());
}

TEST(MainWindow, AnEmptyTableListAsksForATable) {
  TestBench bench;
  Loaded loaded(bench, {});
  loaded.window.button(1).click();
  EXPECT_EQ(bench.dialogs.texts("notice"), (std::vector<std::string>{"Please select a table"}));
}

TEST(MainWindow, ARunShowsProgressTakesNoInputButCancelAndStopsBetweenRows) {
  TestBench bench;
  Loaded loaded(bench);
  MainWindow& w = loaded.window;
  std::vector<std::string> seen;
  bench.runner.script = [&](const RunRequest&, RunSurface& surface) {
    surface.setBusy(true);
    EXPECT_EQ(w.pointer().mode(), app::PointerMode::kBusy);
    EXPECT_TRUE(w.progressPanel().isVisible());
    EXPECT_FALSE(w.tabs().isEnabled());
    EXPECT_FALSE(w.frame().isEnabled());
    EXPECT_FALSE(w.button(1).isEnabled());
    EXPECT_TRUE(w.cancelButton().isEnabled());
    // An error report during the run is modal and leaves the hourglass.
    surface.report(db::ErrorReport{"boom", "Form2.PushButton1_Click", 114, 0});
    EXPECT_EQ(w.pointer().mode(), app::PointerMode::kBusy);
    for (std::uint64_t row = 0; row < 1000 && !surface.cancelRequested(); ++row) {
      surface.progress("Customers", row, 1000);
      seen.push_back(w.progressLabel().text().toStdString());
      if (row == 4) w.cancelButton().click();
    }
    surface.progress("Customers", 1000, 1000);  // a table's end is always shown
    EXPECT_EQ(w.progressBar().value(), 1000);
    surface.setBusy(false);
    surface.processEventsOnce();
    surface.notice("Done.");
  };
  w.button(1).click();
  EXPECT_EQ(seen.size(), 5u);  // Cancel stopped the run before the sixth row
  EXPECT_EQ(seen[0], "Table Customers: row 0 of 1000");
  EXPECT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.texts("notice").back(), "Done.");
  EXPECT_TRUE(w.tabs().isEnabled());
  EXPECT_EQ(w.pointer().mode(), app::PointerMode::kDefault);

  // A later run starts without the earlier Cancel.
  bench.runner.script = nullptr;
  w.button(1).click();
  EXPECT_EQ(bench.dialogs.texts("notice").back(), "Done.");
}

TEST(MainWindow, ClosingDuringARunIsRefusedWithTheReasonAndWaitsForTheRun) {
  TestBench bench;
  Loaded loaded(bench);
  bench.runner.script = [&](const RunRequest&, RunSurface& surface) {
    surface.setBusy(true);
    loaded.window.close();
    EXPECT_TRUE(loaded.window.isVisible());
    surface.setBusy(false);
  };
  loaded.window.button(1).click();
  EXPECT_EQ(bench.quits, 0);
  EXPECT_EQ(bench.dialogs.texts("notice"), std::vector<std::string>{MainWindow::kCloseRefused});
  loaded.window.close();
  EXPECT_EQ(bench.quits, 1);
}

TEST(MainWindow, TheTableProbeReportsATableThatCannotBeOpened) {
  TestBench bench;
  Loaded loaded(bench);
  loaded.window.probeTable();  // /db.mdb does not exist
  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.reports[0].location, "Form2.List1_Click");
}

TEST(MainWindow, MatchOptionsStartOffMirrorAcrossTabsAndAreRemembered) {
  TestBench bench;
  Loaded first(bench);
  MatchOptionControls& options = first.window.matchOptions();
  auto* label9 = first.window.findChild<QLabel*>("Label9");
  auto* label5 = first.window.findChild<QLabel*>("Label5");
  for (int which = 0; which < 3; ++which) EXPECT_FALSE(options.box(0, which).isChecked());
  EXPECT_EQ(label9->text(), "Find what (must match case):");
  options.box(1, 0).click();  // "Ignore case" on the sets tab
  EXPECT_TRUE(options.box(0, 0).isChecked());
  EXPECT_EQ(label9->text(), "Find what:");
  EXPECT_EQ(label5->text(), "Find what:");
  options.box(0, 2).click();
  EXPECT_EQ(bench.read("MatchIgnoreCase"), "1");
  EXPECT_EQ(bench.read("MatchRegex"), "1");
  EXPECT_EQ(bench.read("MatchWholeWord"), "<absent>");
  first.window.findText().setText("x+");
  first.window.button(1).click();
  ASSERT_EQ(bench.runner.requests.size(), 1u);
  EXPECT_TRUE(bench.runner.requests[0].match.ignoreCase && bench.runner.requests[0].match.regex);
  EXPECT_FALSE(bench.runner.requests[0].match.wholeWord);

  Loaded restarted(bench);
  EXPECT_TRUE(restarted.window.matchOptions().box(1, 2).isChecked());
  EXPECT_EQ(restarted.window.findChild<QLabel*>("Label5")->text(), "Find what:");
}

TEST(MainWindow, ColumnsChoosesTextColumnsUntilTheTableListIsRefilled) {
  TestBench bench;
  const std::string path = bench.temp.filePath("shop.mdb").toStdString();
  using namespace engine::testing;
  ASSERT_EQ(createDatabase(path, {{"Customers",
                                   {{"City", jet::ColumnType::kText, 20},
                                    {"Zip", jet::ColumnType::kLong},
                                    {"Note", jet::ColumnType::kMemo}},
                                   {}}}),
            "");
  Loaded loaded(bench, {"Customers"});
  loaded.window.setDatabaseSource([path] { return std::pair<std::string, std::string>(path, ""); });
  std::vector<std::string> listed;
  bench.dialogs.modalScripts.push_back([&](QDialog& dialog) {
    QTreeWidget& list = static_cast<ColumnsWindow&>(dialog).list();
    QTreeWidgetItem* table = list.topLevelItem(0);
    for (int k = 0; k < table->childCount(); ++k) {
      listed.push_back(table->child(k)->text(0).toStdString());
      EXPECT_EQ(table->child(k)->checkState(0), Qt::Checked);  // all chosen at first
    }
    table->child(0)->setCheckState(0, Qt::Unchecked);
    dialog.accept();
  });
  loaded.window.columnsButton().click();
  EXPECT_EQ(listed, (std::vector<std::string>{"City", "Note"}));
  EXPECT_FALSE(loaded.window.columnChoice().chosen("Customers", "City"));
  EXPECT_TRUE(loaded.window.columnChoice().chosen("Customers", "Note"));
  loaded.window.button(1).click();
  ASSERT_EQ(bench.runner.requests.size(), 1u);
  EXPECT_FALSE(bench.runner.requests[0].columns.chosen("Customers", "City"));
  loaded.window.fillTables({"Customers"});
  EXPECT_TRUE(loaded.window.columnChoice().empty());
}

}  // namespace
}  // namespace ui
