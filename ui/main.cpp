// main.cpp: the fieldmend program. Options: --settings FILE (another settings file than the
// user's), --screenshot FILE (save the window in front to FILE once it is up, then end),
// --version (answered before any window system is needed) and a database path, which start-up
// puts into the path box in place of the remembered one.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <string_view>

#include "app/look.h"
#include "fieldmend_version.h"
#include "ui/application.h"

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--version" || word == "-v") {
      std::puts("fieldmend " FIELDMEND_VERSION);
      return 0;
    }
  }
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fieldmend"));
  QApplication::setApplicationVersion(QStringLiteral(FIELDMEND_VERSION));
  app::registerFontSubstitutes();

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Find and replace text in Access databases."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                          QStringLiteral("Use FILE for the settings."),
                                          QStringLiteral("FILE"));
  parser.addOption(settingsOption);
  const QCommandLineOption screenshotOption(
      QStringLiteral("screenshot"), QStringLiteral("Save the window in front to FILE, then end."),
      QStringLiteral("FILE"));
  parser.addOption(screenshotOption);
  parser.addPositionalArgument(QStringLiteral("database"),
                               QStringLiteral("Open this database instead of the last one."),
                               QStringLiteral("[database]"));
  parser.process(qtApp);

  ui::Application application(QApplication::applicationDirPath(), parser.value(settingsOption));
  QApplication::setWindowIcon(app::applicationIcon(QApplication::applicationDirPath()));
  // A relative path is made absolute, so that the remembered path names the file at the next
  // start from another folder too.
  QString given;
  if (!parser.positionalArguments().isEmpty() && !parser.positionalArguments().first().isEmpty())
    given = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
  if (!application.databaseWindow().startUp(given)) return 0;
  // Closing either principal window ends everything, hidden windows included.
  QApplication::setQuitOnLastWindowClosed(false);
  if (parser.isSet(screenshotOption)) {
    const QString file = parser.value(screenshotOption);
    QTimer::singleShot(1500, &qtApp, [file] {
      for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (shown->isVisible()) {
          shown->grab().save(file);
          break;
        }
      }
      QApplication::exit(0);
    });
  }
  return QApplication::exec();
}
