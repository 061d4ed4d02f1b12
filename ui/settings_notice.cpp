// settings_notice.cpp: the notice's words. The store's description names the key too, which the
// notice leaves out; it keeps the file and the system's reason.
#include "ui/settings_notice.h"

namespace ui {

std::string SettingsNotice::text(const app::SettingsStore& store, const std::string& description) {
  const std::string file = store.filePath().toStdString();
  std::string reason;
  // The store writes "... the settings file "<file>": <reason>."
  const std::string marker = "\"" + file + "\": ";
  if (const auto at = description.find(marker); at != std::string::npos) {
    reason = description.substr(at + marker.size());
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
  }
  return "Fieldmend cannot save its settings to the file " + file +
         (reason.empty() ? "" : " (" + reason + ")") +
         ". What you choose is used until Fieldmend ends, but will not be remembered at the next "
         "start.";
}

void SettingsNotice::check(const jet::Status& written, const app::SettingsStore& store,
                           Dialogs& dialogs) {
  if (written.ok() || shown_) return;
  shown_ = true;
  dialogs.notify(text(store, written.description()));
}

}  // namespace ui
