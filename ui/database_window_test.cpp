// database_window_test.cpp: start-up in each of its situations, the database window's buttons,
// and the way between the two principal windows.
#include "ui/database_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "ui/main_window.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

constexpr char kThreeTables[] = "jackcess/V2000/indexTestV2000.mdb";

std::vector<std::string> listed(MainWindow& main) {
  std::vector<std::string> out;
  for (int i = 0; i < main.tableList().count(); ++i) {
    out.push_back(main.tableList().item(i)->text().toStdString());
  }
  return out;
}

int selectedCount(MainWindow& main) {
  return static_cast<int>(main.tableList().selectedItems().size());
}

TEST(StartUp, WithNoSettingsShowsTheEmptyDatabaseWindow) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Fieldmend");
  EXPECT_EQ(bench.dialogs.title, "Fieldmend");  // a name without a space is the whole title
  EXPECT_TRUE(window.pathBox().text().isEmpty());
  EXPECT_TRUE(window.passwordBox().text().isEmpty());
  EXPECT_EQ(window.passwordBox().echoMode(), QLineEdit::Password);
  EXPECT_FALSE(window.hasMainWindow());  // no listing was attempted
  EXPECT_TRUE(bench.dialogs.shown.empty());
  EXPECT_EQ(bench.quits, 0);
}

// The password shows one "*" a character, whether a skin sheet is in force or not.
TEST(DatabaseWindow, ThePasswordBoxShowsAStarForEachCharacter) {
  for (const bool skinned : {false, true}) {
    TestBench bench;
    bench.write("AccessPassword", "p\u00e4ss");
    if (skinned) bench.ship("skins/o.cjs", "x/o.cjs");
    DatabaseWindow window(bench.context);
    ASSERT_TRUE(window.startUp());
    EXPECT_EQ(window.styleSheet().isEmpty(), !skinned);
    EXPECT_EQ(window.passwordBox().displayText(), "****") << "skinned: " << skinned;
  }
}

// Settings that cannot be saved are told once per start, naming the file, never the password.
TEST(DatabaseWindow, SettingsThatCannotBeSavedAreToldOnceWithoutThePassword) {
  TestBench bench;
  QFile blocker(bench.temp.filePath("blocker"));  // a file where the settings folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  app::SettingsStore unwritable(bench.temp.filePath("blocker/Fieldmend.ini"));
  WindowContext context{bench.dialogs, unwritable,   bench.database,
                        bench.runner,  bench.opener, bench.context.appFolder,
                        [] {}};
  DatabaseWindow window(context);
  ASSERT_TRUE(window.startUp());
  window.pathBox().setText("/some/db.mdb");
  window.passwordBox().setText("Sesame42");
  window.mainWindow().tabs().setCurrentIndex(1);
  ASSERT_EQ(bench.dialogs.shown.size(), 1u);
  const std::string& told = bench.dialogs.shown[0].text;
  EXPECT_EQ(bench.dialogs.shown[0].kind, "notice");
  EXPECT_NE(told.find(unwritable.filePath().toStdString()), std::string::npos) << told;
  EXPECT_EQ(told.find("Sesame42"), std::string::npos);
  EXPECT_EQ(told.find("Password"), std::string::npos);
}

TEST(StartUp, WithARememberedReadableDatabaseOpensTheMainWindowWithEveryTableSelected) {
  TestBench bench;
  bench.write("AccessMDBFile", bench.copyOf(kThreeTables, "three.mdb"));
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  ASSERT_TRUE(window.hasMainWindow());
  MainWindow& main = window.mainWindow();
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(listed(main), (std::vector<std::string>{"Table1", "Table2", "Table3"}));
  EXPECT_EQ(selectedCount(main), 3);
  EXPECT_EQ(main.tableList().currentRow(), 0);
  EXPECT_TRUE(bench.dialogs.shown.empty());
}

// A path given on the command line takes the remembered path's place before start-up opens it:
// the main window lists the given database and a run works on it.
TEST(StartUp, AGivenPathReplacesTheRememberedOneBeforeAnythingIsOpened) {
  TestBench bench;
  bench.write("AccessMDBFile", bench.copyOf(kThreeTables, "three.mdb"));
  const QString given = bench.copyOf("jackcess/V2000/fixedTextTestV2000.mdb", "users.mdb");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp(given));
  MainWindow& main = window.mainWindow();
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(listed(main), std::vector<std::string>{"users"});
  EXPECT_EQ(bench.read("AccessMDBFile"), given);
  main.button(1).click();
  ASSERT_EQ(bench.runner.requests.size(), 1u);
  EXPECT_EQ(bench.runner.requests[0].databasePath, given.toStdString());

  TestBench second;  // a given path that names no file is only put into the box
  second.write("AccessMDBFile", second.copyOf(kThreeTables, "three.mdb"));
  DatabaseWindow again(second.context);
  ASSERT_TRUE(again.startUp(second.temp.filePath("gone.mdb")));
  EXPECT_TRUE(again.isVisible());
  EXPECT_FALSE(again.hasMainWindow());
  EXPECT_EQ(again.pathBox().text(), second.temp.filePath("gone.mdb"));
}

TEST(StartUp, WithAnUnreadableDatabaseReportsOnceAndStaysOnTheDatabaseWindow) {
  TestBench bench;
  const QString path = bench.copyOf("mdb-reader/password/V2000_with-password.mdb", "locked.mdb");
  bench.write("AccessMDBFile", path);
  bench.write("AccessPassword", "wrong one");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.reports[0].location, "Form1.PushButton2_Click");
  EXPECT_EQ(bench.dialogs.reports[0].line, 100);
  EXPECT_EQ(bench.dialogs.shown[0].caption, "Application Error");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.pathBox().text(), path);
  EXPECT_EQ(window.passwordBox().text(), "wrong one");
  EXPECT_FALSE(window.hasMainWindow() && window.mainWindow().isVisible());
}

TEST(StartUp, WithADeletedFileShowsItsPathWithoutAMessage) {
  TestBench bench;
  const QString gone = bench.temp.filePath("gone.mdb");
  bench.write("AccessMDBFile", gone);
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.pathBox().text(), gone);
  EXPECT_TRUE(bench.dialogs.shown.empty());
}

TEST(StartUp, WithTheProviderMissingEndsWithoutAWindow) {
  for (bool yes : {false, true}) {
    TestBench bench;
    bench.context.engineProbe = [] {
      return jet::Status(jet::Error{3706, "Provider cannot be found."});
    };
    bench.dialogs.yesNoAnswers = {yes};
    DatabaseWindow window(bench.context);
    EXPECT_FALSE(window.startUp());
    EXPECT_EQ(bench.quits, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.hasMainWindow());
    ASSERT_EQ(bench.dialogs.texts("question").size(), 1u);
    EXPECT_EQ(bench.opener.opened.size(), yes ? 2u : 0u);
  }
}

TEST(StartUp, RestoresAndRemembersThePathAndPasswordThroughTheBoxes) {
  TestBench bench;
  bench.write("AccessPassword", " p;w d ");
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  EXPECT_EQ(window.passwordBox().text(), " p;w d ");
  window.pathBox().setText("/some/where.mdb");
  window.passwordBox().setText("");
  EXPECT_EQ(bench.read("AccessMDBFile"), "/some/where.mdb");
  EXPECT_EQ(bench.read("AccessPassword"), "");
}

TEST(DatabaseWindow, BrowseFillsThePathOnlyWhenAFileIsChosen) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  window.pathBox().setText("/before.mdb");
  window.button(1).click();  // cancelled
  EXPECT_EQ(window.pathBox().text(), "/before.mdb");
  bench.dialogs.fileAnswers = {"/chosen/db.accdb"};
  window.button(1).click();
  EXPECT_EQ(window.pathBox().text(), "/chosen/db.accdb");
  EXPECT_EQ(bench.read("AccessMDBFile"), "/chosen/db.accdb");
  ASSERT_EQ(bench.dialogs.fileRequests.size(), 2u);
  const FileDialogRequest& request = bench.dialogs.fileRequests[0];
  EXPECT_EQ(request.title, "Select Access Database");
  ASSERT_EQ(request.filters.size(), 3u);
  EXPECT_EQ(request.filters[0].patterns, "*.*db");
  EXPECT_EQ(request.filters[2].label, "Microsoft 2007 Database (*.accdb)");
}

TEST(DatabaseWindow, LoadSampleTypesTheShippedPathAndNothingElse) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  window.passwordBox().setText("kept");
  window.button(3).click();
  const QString sample = bench.context.appFolder + "/Samples/sample.mdb";
  EXPECT_EQ(window.pathBox().text(), sample);
  EXPECT_EQ(bench.read("AccessMDBFile"), sample);
  EXPECT_EQ(window.passwordBox().text(), "kept");
  EXPECT_FALSE(window.hasMainWindow());
}

TEST(DatabaseWindow, EnteringABoxSelectsItsWholeText) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  for (QLineEdit* box : {&window.pathBox(), &window.passwordBox()}) {
    box->setText("C:/old/path.mdb");
    box->deselect();
    QFocusEvent arrival(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(box, &arrival);
    QApplication::processEvents();
    EXPECT_EQ(box->selectionStart(), 0);
    EXPECT_EQ(box->selectionLength(), box->text().size());
  }
}

TEST(DatabaseWindow, NextWithNoFileDoesNothing) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  window.button(2).click();
  window.pathBox().setText(bench.temp.filePath("missing.mdb"));
  window.button(2).click();
  EXPECT_TRUE(bench.dialogs.shown.empty());
  // A folder exists by the shared file test, so opening it is tried and its failure reported.
  window.pathBox().setText(bench.temp.path());
  window.button(2).click();
  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(bench.dialogs.reports[0].line, 100);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.hasMainWindow());
}

TEST(DatabaseWindow, BackAndNextKeepTheSetsTextsAndTabAndSelectEveryTableAgain) {
  TestBench bench;
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  window.pathBox().setText(bench.copyOf(kThreeTables, "three.mdb"));
  window.button(2).click();
  MainWindow& main = window.mainWindow();
  ASSERT_TRUE(main.isVisible());
  main.findText().setText("old");
  main.replaceText().setText("new");
  main.tabs().setCurrentIndex(1);
  bench.dialogs.textAnswers = {"a::b"};
  main.button(10).click();
  main.button(9).click();  // Deselect All

  main.button(5).click();  // < Back
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(main.isVisible());
  window.button(2).click();  // Next > again
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(main.findText().text(), "old");
  EXPECT_EQ(main.replaceText().text(), "new");
  EXPECT_EQ(main.tabs().currentIndex(), 1);
  EXPECT_EQ(main.setList().count(), 1);
  EXPECT_EQ(listed(main).size(), 3u);
  EXPECT_EQ(selectedCount(main), 3);
  EXPECT_TRUE(bench.dialogs.reports.empty());
}

TEST(Shutdown, ClosingEitherPrincipalWindowEndsTheApplication) {
  TestBench bench;
  bench.write("AccessMDBFile", bench.copyOf(kThreeTables, "three.mdb"));
  DatabaseWindow window(bench.context);
  ASSERT_TRUE(window.startUp());
  window.mainWindow().close();  // the database window is hidden meanwhile
  EXPECT_EQ(bench.quits, 1);
  window.close();
  EXPECT_EQ(bench.quits, 2);
}

}  // namespace
}  // namespace ui
