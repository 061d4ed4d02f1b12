// application.cpp: wiring of the real parts.
#include "ui/application.h"

#include <QApplication>

namespace ui {

Application::Application(const QString& appFolder, const QString& settingsFile)
    : settings_(settingsFile.isEmpty() ? app::SettingsStore::defaultFilePath() : settingsFile),
      context_{dialogs_,
               settings_,
               database_,
               runner_,
               opener_,
               appFolder,
               [] { QApplication::exit(0); }},
      window_(std::make_unique<DatabaseWindow>(context_)) {}

}  // namespace ui
