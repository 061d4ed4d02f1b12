// dialogs.h: every modal box the windows show (notices, questions, the input box, the error
// report, the file dialogs, the Load Sets window), behind one interface. QtDialogs shows Qt's
// boxes; tests pass FakeDialogs, which answers from queues and records what it showed.
#pragma once

#include <string>
#include <vector>

#include "app/question_box.h"
#include "db/error_report.h"
#include "sets/prompter.h"

class QDialog;

namespace ui {

// One choice of a file dialog's filter: what the user reads, exactly, and the patterns of the
// files it lists (space-separated, letter case ignored).
struct FileFilter {
  std::string label;     // "Text Files (*.txt)"
  std::string patterns;  // "*.txt"
};

struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;  // the first is selected at the start
};

class Dialogs : public sets::Prompter, public app::QuestionBox, public db::ErrorReporter {
 public:
  // The caption of every box that names none of its own.
  virtual void setApplicationTitle(const std::string& title) = 0;

  // sets::Prompter and app::QuestionBox: askText (OK/Cancel, empty text on Cancel), askYesNo
  // (Yes default, no icon), notify (OK only, no icon). db::ErrorReporter: report ("Application
  // Error", warning icon, OK).

  // The open and save dialogs start with an empty name and give the chosen path, or the empty
  // text when cancelled. The save dialog asks nothing about overwriting.
  virtual std::string pickOpenFile(const FileDialogRequest& request) = 0;
  virtual std::string pickSaveFile(const FileDialogRequest& request) = 0;

  // Shows a secondary window modally and returns once it has closed.
  virtual void runModal(QDialog& window) = 0;
};

}  // namespace ui
