// qt_dialogs.h: the product's Dialogs: QMessageBox, QInputDialog and QFileDialog, modal over the
// active window.
#pragma once

#include <QString>

class QFileDialog;

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

// Readies Qt's own (not the desktop's) file dialog for `request`: its title, and its filter
// choices showing each label exactly as given while matching the filter's patterns, letter case
// ignored (so "DATA.MDB" is listed under "*.mdb").
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

}  // namespace ui
