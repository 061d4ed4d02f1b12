// main.cpp: the fieldmend program. Options: --settings FILE (another settings file than the
// user's) and a database path, which is put into the path box after start-up.
#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>

#include "app/look.h"
#include "ui/application.h"

int main(int argc, char* argv[]) {
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fieldmend"));
  app::registerFontSubstitutes();

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Find and replace text in Access databases."));
  parser.addHelpOption();
  const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                          QStringLiteral("Use FILE for the settings."),
                                          QStringLiteral("FILE"));
  parser.addOption(settingsOption);
  parser.addPositionalArgument(QStringLiteral("database"),
                               QStringLiteral("Put this database into the path box."),
                               QStringLiteral("[database]"));
  parser.process(qtApp);

  ui::Application application(QApplication::applicationDirPath(), parser.value(settingsOption));
  ui::DatabaseWindow& window = application.databaseWindow();
  if (!window.startUp()) return 0;
  if (!parser.positionalArguments().isEmpty()) {
    window.pathBox().setText(parser.positionalArguments().first());
  }
  // Closing either principal window ends everything, hidden windows included.
  QApplication::setQuitOnLastWindowClosed(false);
  return QApplication::exec();
}
