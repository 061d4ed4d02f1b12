// settings_notice.h: tells the user, once per start of the program, that the settings could not
// be saved, naming the settings file and the reason. Never the value: it may be the password.
#pragma once

#include "app/settings_store.h"
#include "jet/core/status.h"
#include "ui/dialogs.h"

namespace ui {

class SettingsNotice {
 public:
  // Shows the notice for the first failed write; successes and later failures show nothing.
  void check(const jet::Status& written, const app::SettingsStore& store, Dialogs& dialogs);

  // The notice for a write that failed with `description` (the store's own text).
  static std::string text(const app::SettingsStore& store, const std::string& description);

 private:
  bool shown_ = false;
};

}  // namespace ui
