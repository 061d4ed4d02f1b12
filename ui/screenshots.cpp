// screenshots.cpp: draws each of the three real windows into a PNG, for the README. Runs the
// product's own start-up on a copy of a database with settings in a temporary file.
// Usage: fieldmend_screenshots DATABASE OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "app/look.h"
#include "ui/application.h"
#include "ui/load_sets_window.h"
#include "ui/main_window.h"

namespace {

bool save(QWidget& window, const QString& path) {
  window.show();
  window.raise();
  QApplication::processEvents();
  const bool ok = window.grab().save(path);
  QTextStream(stderr) << (ok ? "wrote " : "could not write ") << path << "\n";
  return ok;
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

  ui::Application application(QApplication::applicationDirPath(),
                              temp.filePath("settings/Fieldmend.ini"));
  ui::DatabaseWindow& form1 = application.databaseWindow();
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
  form2.tabs().setCurrentIndex(0);

  ui::LoadSetsWindow form3(application.context(), form2.setList(), &form2);
  form3.load();
  form3.pathBox().setText("/home/user/replacements.txt");
  ok = save(form3, output + "/load-sets-window.png") && ok;
  return ok ? 0 : 1;
}
