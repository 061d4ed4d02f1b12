// load_sets_window_test.cpp: the Load Sets window opened from the main window: its three checks,
// the remembered separator, the help text, browsing, loading and cancelling.
#include "ui/load_sets_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "ui/main_window.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

QString writeText(TestBench& bench, const char* name, const QByteArray& bytes) {
  const QString path = bench.temp.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

// Opens the window through "Load Sets" and lets `user` act on it.
void openLoadSets(MainWindow& main, TestBench& bench, std::function<void(LoadSetsWindow&)> user) {
  bench.dialogs.modalScripts.push_back(
      [user](QDialog& dialog) { user(static_cast<LoadSetsWindow&>(dialog)); });
  main.button(12).click();
}

struct Bench {
  TestBench bench;
  MainWindow main{bench.context};
  Bench() { main.load(); }
};

TEST(LoadSets, OpensWithAnEmptyPathAndTheRememberedSeparator) {
  Bench b;
  openLoadSets(b.main, b.bench, [](LoadSetsWindow& w) {
    EXPECT_EQ(w.windowTitle(), "Load Sets");
    EXPECT_TRUE(w.pathBox().text().isEmpty());
    EXPECT_EQ(w.separatorBox().text(), "::");  // the default
    w.separatorBox().setText(",");
    w.pathBox().setText("typed");
    w.button(2).click();  // Cancel
  });
  EXPECT_EQ(b.bench.read("Form2.Text2"), ",");
  openLoadSets(b.main, b.bench, [](LoadSetsWindow& w) {
    EXPECT_EQ(w.separatorBox().text(), ",");
    EXPECT_TRUE(w.pathBox().text().isEmpty());  // made afresh
  });
  EXPECT_EQ(b.main.setList().count(), 0);
}

TEST(LoadSets, TheThreeChecksKeepTheWindowOpen) {
  Bench b;
  const QString path = writeText(b.bench, "pairs.txt", "hi::hello\r\n");
  openLoadSets(b.main, b.bench, [&](LoadSetsWindow& w) {
    w.separatorBox().setText("");
    w.pathBox().setText(path);
    w.button(1).click();
    EXPECT_EQ(w.result(), 0);
    w.separatorBox().setText("::");
    w.pathBox().setText("   ");
    w.button(1).click();  // spaces only: nothing at all
    w.pathBox().setText(" " + path);
    w.button(1).click();
    EXPECT_EQ(w.result(), 0);
  });
  EXPECT_EQ(b.bench.dialogs.texts("notice"),
            (std::vector<std::string>{"You must enter separating character(s).",
                                      " " + path.toStdString() + " not found."}));
  EXPECT_EQ(b.bench.read("Form2.Text2"), "::");
  EXPECT_EQ(b.main.setList().count(), 0);
  EXPECT_TRUE(b.bench.dialogs.reports.empty());
}

TEST(LoadSets, AnEmptiedSeparatorIsRememberedEmpty) {
  Bench b;
  openLoadSets(b.main, b.bench, [](LoadSetsWindow& w) { w.separatorBox().setText(""); });
  EXPECT_EQ(b.bench.read("Form2.Text2"), "");
  openLoadSets(b.main, b.bench,
               [](LoadSetsWindow& w) { EXPECT_TRUE(w.separatorBox().text().isEmpty()); });
}

TEST(LoadSets, LoadAppendsTheFilesSetsAndCloses) {
  Bench b;
  b.bench.dialogs.textAnswers = {"first::one"};
  b.main.button(10).click();
  const QString commas = writeText(b.bench, "commas.txt", "hi,hello\npeter,pete\n\nnoseparator\n");
  openLoadSets(b.main, b.bench, [&](LoadSetsWindow& w) {
    w.pathBox().setText(commas);
    w.button(1).click();  // with "::" nothing matches, and the window still closes
    EXPECT_EQ(w.result(), QDialog::Accepted);
  });
  EXPECT_EQ(b.main.setList().count(), 1);
  openLoadSets(b.main, b.bench, [&](LoadSetsWindow& w) {
    w.separatorBox().setText(",");
    w.pathBox().setText(commas);
    w.button(1).click();
  });
  ASSERT_EQ(b.main.setList().count(), 3);
  EXPECT_EQ(b.main.setList().at(0).find, "first");
  EXPECT_EQ(b.main.setList().at(1).find, "hi");
  EXPECT_EQ(b.main.setList().at(2).replace, "pete");
  EXPECT_EQ(b.main.findList().count(), 3);
  EXPECT_EQ(b.main.replaceList().itemText(2), "pete");
}

TEST(LoadSets, HelpShowsTheEighteenLines) {
  Bench b;
  openLoadSets(b.main, b.bench, [](LoadSetsWindow& w) { w.button(3).click(); });
  const auto notices = b.bench.dialogs.texts("notice");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0],
            "If the text file you are loading looks like this:\r\n\r\nhi::hello\r\npeter::pete"
            "\r\n\r\nthen use :: as a Separator\r\n\r\nIf the text file you are loading looks "
            "like this:\r\n\r\nhi,hello\r\npeter,pete\r\n\r\nthen use , as a Separator\r\n\r\n"
            "NOTE: The 'Save Sets' feature in this software always saves in this format:\r\n\r\n"
            "hi::hello\r\npeter::pete");
}

TEST(LoadSets, BrowseFillsThePathUnlessCancelled) {
  Bench b;
  b.bench.dialogs.fileAnswers = {"/x/sets.txt"};
  openLoadSets(b.main, b.bench, [](LoadSetsWindow& w) {
    w.button(16).click();
    EXPECT_EQ(w.pathBox().text(), "/x/sets.txt");
    w.button(16).click();  // cancelled
    EXPECT_EQ(w.pathBox().text(), "/x/sets.txt");
  });
  const FileDialogRequest& request = b.bench.dialogs.fileRequests[0];
  EXPECT_EQ(request.title, "Select Text File");
  ASSERT_EQ(request.filters.size(), 1u);
  EXPECT_EQ(request.filters[0].patterns, "*.txt");
}

TEST(LoadSets, AFileThatCannotBeReadIsReportedAndTheWindowStillCloses) {
  Bench b;
  const QString path = writeText(b.bench, "secret.txt", "a::b\n");
  QFile::setPermissions(path, QFileDevice::Permissions());
  if (QFile(path).open(QIODevice::ReadOnly)) GTEST_SKIP() << "running as a user who reads all";
  openLoadSets(b.main, b.bench, [&](LoadSetsWindow& w) {
    w.pathBox().setText(path);
    w.button(1).click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
  });
  ASSERT_EQ(b.bench.dialogs.reports.size(), 1u);
  EXPECT_EQ(b.bench.dialogs.reports[0].location, "Form3.PushButton1_Click");
  EXPECT_EQ(b.bench.dialogs.reports[0].line, 106);
  EXPECT_EQ(b.main.setList().count(), 0);
}

}  // namespace
}  // namespace ui
