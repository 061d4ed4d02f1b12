// qt_dialogs.h: the product's Dialogs: QMessageBox, QInputDialog and QFileDialog, modal over the
// active window.
#pragma once

#include <QString>

#include "ui/dialogs.h"

namespace ui {

class QtDialogs : public Dialogs {
 public:
  void setApplicationTitle(const std::string& title) override;
  std::string askText(const std::string& prompt, const std::string& initialText) override;
  bool askYesNo(const std::string& question) override;
  void notify(const std::string& message) override;
  void report(const db::ErrorReport& report) override;
  std::string pickOpenFile(const FileDialogRequest& request) override;
  std::string pickSaveFile(const FileDialogRequest& request) override;
  void runModal(QDialog& window) override;

 private:
  QString title_;
};

// "Label (patterns);;Label (patterns)" as Qt's file dialogs take it.
QString qtFilterText(const std::vector<FileFilter>& filters);

}  // namespace ui
