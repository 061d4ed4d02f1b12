// application.h: the running product: the real boxes, the user's settings, the engine, and the
// database window whose load is the start-up.
#pragma once

#include <QString>
#include <memory>

#include "app/desktop_url_opener.h"
#include "app/settings_store.h"
#include "ui/database_access.h"
#include "ui/database_window.h"
#include "ui/engine_runner.h"
#include "ui/qt_dialogs.h"
#include "ui/replacement_runner.h"
#include "ui/window_context.h"

namespace ui {

class Application {
 public:
  // `settingsFile` empty: the user's own settings file.
  Application(const QString& appFolder, const QString& settingsFile);

  DatabaseWindow& databaseWindow() { return *window_; }
  WindowContext& context() { return context_; }

 private:
  QtDialogs dialogs_;
  app::SettingsStore settings_;
  EngineDatabaseAccess database_;
  EngineRunner runner_;
  app::DesktopUrlOpener opener_;
  WindowContext context_;
  std::unique_ptr<DatabaseWindow> window_;
};

}  // namespace ui
