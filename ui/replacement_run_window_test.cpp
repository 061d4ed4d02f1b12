// replacement_run_window_test.cpp: "Start Replacing" through the real run on a copy of the
// sample database, in both modes, with the change log; the database is read back afterwards.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
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

}  // namespace
}  // namespace ui
