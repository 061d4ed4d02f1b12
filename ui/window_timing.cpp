// window_timing.cpp: times one replacement run through the desktop windows, as a user starts it
// (the database window, "Next >", one table chosen, "Start Replacing"), with the progress shown
// and Cancel possible, on Qt's offscreen platform. The database is changed in place: give it a
// copy. Prints the run's seconds; notices and reports go to stderr.
// Usage: window_timing DATABASE TABLE FIND REPLACE
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/desktop_url_opener.h"
#include "app/error_report.h"
#include "app/settings_store.h"
#include "ui/database_access.h"
#include "ui/database_window.h"
#include "ui/engine_runner.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace {

// No one is there to press OK.
class PrintedDialogs : public ui::QtDialogs {
 public:
  void notify(const std::string& message) override {
    QTextStream(stderr) << "notice: " << QString::fromStdString(message) << "\n";
  }
  void report(const db::ErrorReport& report) override {
    QTextStream(stderr) << QString::fromStdString(app::errorReportDisplayText(report)) << "\n";
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  if (argc != 5) {
    QTextStream(stderr) << "usage: window_timing DATABASE TABLE FIND REPLACE\n";
    return 2;
  }
  QTemporaryDir temp;
  PrintedDialogs dialogs;
  app::SettingsStore settings(temp.filePath("settings/Fieldmend.ini"));
  ui::EngineDatabaseAccess access;
  const std::string logFolder = qEnvironmentVariable("TMPDIR", temp.path()).toStdString();
  ui::EngineRunner engine([&logFolder](const char* name) -> const char* {
    return std::string_view(name) == "TEMP" ? logFolder.c_str() : nullptr;
  });
  app::DesktopUrlOpener opener;
  ui::WindowContext context{
      dialogs, settings, access, engine, opener, QApplication::applicationDirPath(), [] {}};
  context.random = [] { return 0.5; };

  ui::DatabaseWindow form1(context);
  if (!form1.startUp()) return 1;
  form1.pathBox().setText(QString::fromLocal8Bit(argv[1]));
  form1.next();
  ui::MainWindow& form2 = form1.mainWindow();
  const QString table = QString::fromLocal8Bit(argv[2]);
  bool found = false;
  for (int i = 0; i < form2.tableList().count(); ++i) {
    const bool chosen = form2.tableList().item(i)->text() == table;
    form2.tableList().item(i)->setSelected(chosen);
    found = found || chosen;
  }
  if (!found) {
    QTextStream(stderr) << "window_timing: no table " << table << "\n";
    return 1;
  }
  form2.findText().setText(QString::fromLocal8Bit(argv[3]));
  form2.replaceText().setText(QString::fromLocal8Bit(argv[4]));
  form2.show();
  QElapsedTimer timer;
  timer.start();
  form2.startReplacing();
  std::printf("window run: %.3f s\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
  return 0;
}
