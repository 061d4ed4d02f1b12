// replacement_run_window_test.cpp: "Start Replacing" through the real run on a copy of the
// sample database, in both modes, with the change log, what the window says the run did, and
// Cancel; the database is read back afterwards.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "engine/text_formats.h"
#include "jet/database.h"
#include "ui/database_window.h"
#include "ui/engine_runner.h"
#include "ui/main_window.h"
#include "ui/test_bench.h"

namespace ui {
namespace {

// The values of one column of a table, as text.
std::vector<std::string> columnValues(const QString& path, const char* table, const char* column) {
  std::vector<std::string> out;
  auto database = jet::Database::open(path.toStdString());
  EXPECT_TRUE(database.ok());
  if (!database.ok()) return out;
  auto definition = database.value()->table(table);
  EXPECT_TRUE(definition.ok());
  if (!definition.ok()) return out;
  std::size_t at = 0;
  while (at < definition.value().columns.size() && definition.value().columns[at].name != column) {
    ++at;
  }
  const engine::TextFormats formats;
  auto scan = database.value()->scan(definition.value());
  jet::Row row;
  while (scan.ok() && scan.value()->next(row).value()) {
    out.push_back(formats.valueText(definition.value().columns[at].type, row.values[at]));
  }
  return out;
}

std::size_t countOf(const std::vector<std::string>& values, const std::string& wanted) {
  return static_cast<std::size_t>(std::count(values.begin(), values.end(), wanted));
}

QByteArray logOf(TestBench& bench) {
  QFile log(bench.temp.filePath("backups.log"));
  return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

QString sampleFile() { return QString::fromUtf8(FIELDMEND_SOURCE_DIR) + "/Samples/sample.mdb"; }

// A writable copy of the sample in the bench's temp folder, which the run's log also uses.
class ReplacementRunWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(sampleFile())) GTEST_SKIP() << "no sample database in this checkout";
    ASSERT_TRUE(QFile::copy(sampleFile(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  }

  TestBench bench;
  const std::string tempText = bench.temp.path().toStdString();
  EngineRunner runner{[this](const char* name) -> const char* {
    return std::string_view(name) == "TEMP" ? tempText.c_str() : nullptr;
  }};
  WindowContext context{bench.dialogs, bench.settings,          bench.database, runner,
                        bench.opener,  bench.context.appFolder, [] {}};
  const QString path = bench.temp.filePath("sample.mdb");
};

TEST_F(ReplacementRunWindow, SingleModeChangesTheSelectedTableAndLogsEachChange) {
  const std::size_t londonBefore = countOf(columnValues(path, "Customers", "City"), "London");
  ASSERT_GT(londonBefore, 0u);
  bench.write("AccessMDBFile", path);
  DatabaseWindow window(context);
  ASSERT_TRUE(window.startUp());
  MainWindow& main = window.mainWindow();
  ASSERT_TRUE(main.isVisible());
  main.button(9).click();
  main.tableList().findItems("Customers", Qt::MatchExactly).first()->setSelected(true);
  main.findText().setText("London");
  main.replaceText().setText("Londres");
  main.button(1).click();

  EXPECT_TRUE(bench.dialogs.reports.empty()) << bench.dialogs.shown[0].text;
  EXPECT_EQ(bench.dialogs.texts("notice").back(), "Done.");
  EXPECT_EQ(main.pointer().mode(), app::PointerMode::kDefault);
  const auto cities = columnValues(path, "Customers", "City");
  EXPECT_EQ(countOf(cities, "London"), 0u);
  EXPECT_EQ(countOf(cities, "Londres"), londonBefore);
  const QByteArray log = logOf(bench);
  EXPECT_TRUE(
      log.contains("] - London was replace to Londres at table (Customers) and column "
                   "(City)\r\n"));
  EXPECT_FALSE(log.contains("table (Orders)"));
}

TEST_F(ReplacementRunWindow, SetModeAppliesEverySetInOrder) {
  const std::size_t germanyBefore = countOf(columnValues(path, "Customers", "Country"), "Germany");
  ASSERT_GT(germanyBefore, 0u);
  bench.write("AccessMDBFile", path);
  DatabaseWindow window(context);
  ASSERT_TRUE(window.startUp());
  MainWindow& main = window.mainWindow();
  main.button(9).click();
  main.tableList().findItems("Customers", Qt::MatchExactly).first()->setSelected(true);
  main.tabs().setCurrentIndex(1);
  bench.dialogs.textAnswers = {"Germany::Deutschland", "Deutschland::DE"};
  main.button(10).click();
  main.button(10).click();
  main.findText().setText("London");  // the single pair is not used in this mode
  main.button(1).click();

  EXPECT_TRUE(bench.dialogs.reports.empty());
  EXPECT_EQ(bench.dialogs.texts("notice").back(), "Done.");
  const auto countries = columnValues(path, "Customers", "Country");
  EXPECT_EQ(countOf(countries, "Germany"), 0u);
  EXPECT_EQ(countOf(countries, "DE"), germanyBefore);
  EXPECT_GT(countOf(columnValues(path, "Customers", "City"), "London"), 0u);
  const QByteArray log = logOf(bench);
  EXPECT_TRUE(
      log.contains("Germany was replace to Deutschland at table (Customers) and column "
                   "(Country)"));
  EXPECT_FALSE(log.contains("London was replace"));
}

// The summary stays below the buttons after the run, with "Done." as the notice, until "< Back".
TEST_F(ReplacementRunWindow, AfterARunThePanelSaysWhatChangedAndWhatWasSkippedAndWhy) {
  bench.write("AccessMDBFile", path);
  DatabaseWindow window(context);
  ASSERT_TRUE(window.startUp());
  MainWindow& main = window.mainWindow();
  main.button(9).click();
  main.tableList().findItems("Customers", Qt::MatchExactly).first()->setSelected(true);
  main.findText().setText("1");  // in text columns and in the number CustomerID
  main.replaceText().setText("2");
  main.button(1).click();

  EXPECT_EQ(bench.dialogs.texts("notice"), std::vector<std::string>{"Done."});
  EXPECT_TRUE(main.progressPanel().isVisible());
  EXPECT_FALSE(main.cancelButton().isVisible());
  EXPECT_TRUE(main.button(1).isEnabled());
  EXPECT_EQ(main.progressLabel().text(), "Done: 20 values changed, 27 changes skipped.");
  const QStringList lines = main.summaryBox().toPlainText().split('\n');
  EXPECT_EQ(lines.value(0), "Customers: 20 rows read, 20 values changed, 27 changes skipped");
  EXPECT_EQ(lines.value(1), "27 skipped: not a text column (first in Customers.CustomerID)");
  EXPECT_EQ(lines.value(2),
            "Change log: " + bench.temp.filePath("backups.log") + " (47 lines added)");
  main.button(5).click();
  EXPECT_FALSE(main.progressPanel().isVisible());
}

// A change log that cannot be written: one report, nothing changed, and the panel says why.
TEST_F(ReplacementRunWindow, AnUnwritableLogIsReportedOnceAndThePanelSaysTheRunStopped) {
  const std::string missing = bench.temp.filePath("no-such-folder").toStdString();
  EngineRunner stuck{[&missing](const char*) -> const char* { return missing.c_str(); }};
  WindowContext stuckContext{bench.dialogs, bench.settings,          bench.database, stuck,
                             bench.opener,  bench.context.appFolder, [] {}};
  const auto before = columnValues(path, "Customers", "City");
  bench.write("AccessMDBFile", path);
  DatabaseWindow window(stuckContext);
  ASSERT_TRUE(window.startUp());
  MainWindow& main = window.mainWindow();
  main.findText().setText("o");
  main.replaceText().setText("0");
  main.button(1).click();

  ASSERT_EQ(bench.dialogs.reports.size(), 1u);
  EXPECT_NE(bench.dialogs.reports[0].description.find(missing + "/backups.log: No such file"),
            std::string::npos);
  EXPECT_EQ(columnValues(path, "Customers", "City"), before);
  EXPECT_TRUE(main.progressLabel().text().startsWith("Stopped: cannot open the change log "));
  // The long headline takes the lines it needs; the summary box starts below it.
  EXPECT_GE(main.progressLabel().height(),
            main.progressLabel().heightForWidth(main.progressLabel().width()));
  EXPECT_GT(main.summaryBox().y(), main.progressLabel().height());
}

// Cancel stops the real run between rows; the panel says so, and the log holds those changes.
TEST_F(ReplacementRunWindow, AfterCancelThePanelSaysHowManyChangesStay) {
  struct CancelAfterRows : RunSurface {
    RunSurface& window;
    QPushButton& cancel;
    int rows = 0;
    CancelAfterRows(RunSurface& w, QPushButton& c) : window(w), cancel(c) {}
    void report(const db::ErrorReport& r) override { window.report(r); }
    void notice(const std::string& text) override { window.notice(text); }
    void setBusy(bool busy) override { window.setBusy(busy); }
    void processEventsOnce() override { window.processEventsOnce(); }
    void progress(std::string_view table, std::uint64_t row, std::uint64_t of) override {
      window.progress(table, row, of);
      if (++rows == 6) cancel.click();
    }
    bool cancelRequested() override { return window.cancelRequested(); }
    void finished(const engine::RunSummary& summary) override { window.finished(summary); }
  };
  struct Canceller : ReplacementRunner {
    ReplacementRunner& real;
    MainWindow* main = nullptr;
    explicit Canceller(ReplacementRunner& r) : real(r) {}
    void run(const RunRequest& request, RunSurface& surface) override {
      CancelAfterRows cancelling(surface, main->cancelButton());
      real.run(request, cancelling);
    }
  } canceller(runner);
  WindowContext cancelContext{bench.dialogs, bench.settings,          bench.database, canceller,
                              bench.opener,  bench.context.appFolder, [] {}};
  bench.write("AccessMDBFile", path);
  DatabaseWindow window(cancelContext);
  ASSERT_TRUE(window.startUp());
  MainWindow& main = window.mainWindow();
  canceller.main = &main;
  main.findText().setText("o");  // only in text columns
  main.replaceText().setText("0");
  main.button(1).click();

  EXPECT_TRUE(bench.dialogs.texts("notice").empty());  // no "Done." after Cancel
  const int logged = static_cast<int>(logOf(bench).count("\r\n"));
  EXPECT_GT(logged, 0);
  EXPECT_EQ(main.progressLabel().text(),
            QString("Cancelled: %1 values were changed before the run stopped, and those changes "
                    "stay.")
                .arg(logged));
  EXPECT_TRUE(main.summaryBox().toPlainText().startsWith("Customers: 6 rows read"))
      << main.summaryBox().toPlainText().toStdString();
}

}  // namespace
}  // namespace ui
