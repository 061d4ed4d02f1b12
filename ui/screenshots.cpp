// screenshots.cpp: draws the real windows into PNGs, for the README: the three windows, a run
// working and what it said afterwards, and the database window under the example skin. Runs the
// product's own start-up and replacement run on a copy of a database, with settings and the
// change log in a temporary folder. Boxes are printed instead of shown, so nothing waits for a
// click. Usage: fieldmend_screenshots DATABASE OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include "app/desktop_url_opener.h"
#include "app/error_report.h"
#include "app/look.h"
#include "ui/database_access.h"
#include "ui/database_window.h"
#include "ui/engine_runner.h"
#include "ui/preview_window.h"
#include "ui/load_sets_window.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace {

bool save(QWidget& window, const QString& path) {
  window.show();
  window.raise();
  QApplication::processEvents();
  const bool ok = window.grab().save(path);
  QTextStream(stderr) << (ok ? "wrote " : "could not write ") << path << "\n";
  return ok;
}

// Notices and reports go to stderr: no one is there to press OK.
class PrintedDialogs : public ui::QtDialogs {
 public:
  void notify(const std::string& message) override {
    QTextStream(stderr) << "notice: " << QString::fromStdString(message) << "\n";
  }
  void report(const db::ErrorReport& report) override {
    QTextStream(stderr) << QString::fromStdString(app::errorReportDisplayText(report)) << "\n";
  }
};

// The window's surface with one stop: at `row` of `table` the window is drawn, as it is then.
class SnapshotSurface : public ui::RunSurface {
 public:
  SnapshotSurface(ui::RunSurface& window, std::function<void()> draw, std::string table,
                  std::uint64_t row)
      : window_(window), draw_(std::move(draw)), table_(std::move(table)), row_(row) {}
  void report(const db::ErrorReport& r) override { window_.report(r); }
  void notice(const std::string& text) override { window_.notice(text); }
  void setBusy(bool busy) override { window_.setBusy(busy); }
  void processEventsOnce() override { window_.processEventsOnce(); }
  void progress(std::string_view table, std::uint64_t row, std::uint64_t rows) override {
    const bool stop = table == table_ && row == row_;
    if (stop) QThread::msleep(100);  // past the window's paint interval, so this row shows
    window_.progress(table, row, rows);
    if (stop) draw_();
  }
  bool cancelRequested() override { return window_.cancelRequested(); }
  void finished(const engine::RunSummary& summary) override { window_.finished(summary); }
  void undoAvailable(const std::string& undoPath) override { window_.undoAvailable(undoPath); }

 private:
  ui::RunSurface& window_;
  std::function<void()> draw_;
  std::string table_;
  std::uint64_t row_;
};

class SnapshotRunner : public ui::ReplacementRunner {
 public:
  explicit SnapshotRunner(ui::ReplacementRunner& real) : real_(real) {}
  std::function<void()> draw;
  void run(const ui::RunRequest& request, ui::RunSurface& surface) override {
    SnapshotSurface stopping(surface, draw, "Orders", 60);
    real_.run(request, stopping);
  }
  void preview(const ui::RunRequest& request, ui::PreviewSurface& surface) override {
    real_.preview(request, surface);
  }

 private:
  ui::ReplacementRunner& real_;
};

// An application folder holding the shipped files and the example skin where it takes effect.
QString skinnedFolder(const QTemporaryDir& temp) {
  const QString shipped = QApplication::applicationDirPath();
  const QString folder = temp.filePath("skinned");
  QDir().mkpath(folder + "/x");
  for (const char* name : {"/HAND-M.CUR", "/fieldmend.png"})
    QFile::copy(shipped + name, folder + name);
  QFile::copy(shipped + "/skins/o.cjs", folder + "/x/o.cjs");
  return folder;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication qtApp(argc, argv);
  app::registerFontSubstitutes();
  if (argc != 3) {
    QTextStream(stderr) << "usage: fieldmend_screenshots DATABASE OUTPUT_FOLDER\n";
    return 2;
  }
  const QString database = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(output);
  QTemporaryDir temp;
  const QString copy = temp.filePath("sample.mdb");
  if (!QFile::copy(database, copy)) {
    QTextStream(stderr) << "cannot copy " << database << "\n";
    return 1;
  }
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

  PrintedDialogs dialogs;
  app::SettingsStore settings(temp.filePath("settings/Fieldmend.ini"));
  ui::EngineDatabaseAccess access;
  const std::string logFolder = temp.path().toStdString();
  ui::EngineRunner engine([&logFolder](const char* name) -> const char* {
    return std::string_view(name) == "TEMP" ? logFolder.c_str() : nullptr;
  });
  SnapshotRunner runner(engine);
  app::DesktopUrlOpener opener;
  ui::WindowContext context{
      dialogs, settings, access, runner, opener, QApplication::applicationDirPath(), [] {}};
  context.random = [] { return 0.5; };  // never the home page

  ui::DatabaseWindow form1(context);
  if (!form1.startUp()) return 1;
  form1.pathBox().setText(copy);
  form1.passwordBox().setText("secret");
  bool ok = save(form1, output + "/database-window.png");

  form1.next();
  ui::MainWindow& form2 = form1.mainWindow();
  form2.findText().setText("Street");
  form2.replaceText().setText("St.");
  if (form2.tableList().count() > 1) form2.tableList().item(1)->setSelected(false);
  ok = save(form2, output + "/main-window.png") && ok;
  form2.tabs().setCurrentIndex(1);
  form2.setList().append({"Street", "St."}).ok();
  form2.setList().append({"Avenue", "Ave."}).ok();
  form2.setList().pick(sets::SetColumn::kFind, 0);
  form2.refreshSetLists();
  ok = save(form2, output + "/main-window-sets.png") && ok;

  ui::LoadSetsWindow form3(context, form2.setList(), &form2);
  form3.load();
  form3.pathBox().setText("/home/user/replacements.txt");
  ok = save(form3, output + "/load-sets-window.png") && ok;
  form3.close();

  // A run over every table with sets of which two cannot always be applied.
  form2.selectAll();
  form2.setList().clear();
  form2.setList().append({"Germany", "DE"}).ok();
  form2.setList().append({"Shipped", "Shipped by road freight, signed for"}).ok();
  form2.setList().append({"True", "Yes"}).ok();
  form2.setList().pick(sets::SetColumn::kFind, 1);
  form2.refreshSetLists();
  runner.draw = [&] { ok = save(form2, output + "/run-progress.png") && ok; };
  form2.startReplacing();
  ok = save(form2, output + "/run-summary.png") && ok;
  form2.back();

  // The preview of a single pair over every table, filled by its dry run.
  ui::RunRequest preview;
  preview.databasePath = copy.toStdString();
  for (int i = 0; i < form2.tableList().count(); ++i) {
    preview.tables.push_back({form2.tableList().item(i)->text().toStdString(), true});
  }
  preview.currentIndex = 0;
  preview.findText = "an";
  preview.replaceText = "AN";
  ui::PreviewWindow previewWindow(context, preview, &form2);
  previewWindow.start();
  ok = save(previewWindow, output + "/preview-window.png") && ok;

  // A start of its own, with no remembered database, so that the database window stays up.
  app::SettingsStore fresh(temp.filePath("skinned-settings/Fieldmend.ini"));
  ui::WindowContext skinned{dialogs, fresh, access, runner, opener, skinnedFolder(temp), [] {}};
  skinned.random = context.random;
  ui::DatabaseWindow skinnedForm1(skinned);
  if (!skinnedForm1.startUp()) return 1;
  skinnedForm1.pathBox().setText(copy);
  skinnedForm1.passwordBox().setText("secret");
  ok = save(skinnedForm1, output + "/database-window-skinned.png") && ok;
  return ok ? 0 : 1;
}
