// window_context.h: what the windows share, passed in rather than found: the boxes, the settings,
// the database, the run, the application folder, how the application ends, and the one notice
// of settings that cannot be saved.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/home_page_chance.h"
#include "app/settings_store.h"
#include "app/url_opener.h"
#include "db/provider_check.h"
#include "ui/database_access.h"
#include "ui/dialogs.h"
#include "ui/replacement_runner.h"
#include "ui/settings_notice.h"

namespace ui {

struct WindowContext {
  Dialogs& dialogs;
  app::SettingsStore& settings;
  DatabaseAccess& database;
  ReplacementRunner& runner;
  app::UrlOpener& opener;
  QString appFolder;           // where the shipped files are
  std::function<void()> quit;  // ends the application at once
  db::EngineProbe engineProbe = db::builtInEngineProbe;
  app::RandomSource random = app::timeOfDaySource();
  std::string homePage = app::kHomePageAddress;
  SettingsNotice settingsNotice = {};  // one notice per start when settings cannot be saved
};

}  // namespace ui
