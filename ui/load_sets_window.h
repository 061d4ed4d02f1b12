// load_sets_window.h: the Load Sets window (Form3): a text file and a separator, whose sets are
// appended to the main window's set list. Made afresh for each opening; modal.
#pragma once

#include <QDialog>

#include "app/window_pointer.h"
#include "sets/set_list.h"
#include "ui/window_context.h"

class QLineEdit;
class QPushButton;

namespace ui {

// The eighteen lines of the "?" help, joined by CR LF.
std::string separatorHelpText();

class LoadSetsWindow : public QDialog {
 public:
  LoadSetsWindow(WindowContext& context, sets::SetList& setList, QWidget* parent);

  void load();      // Form_Load
  void loadFile();  // PushButton1_Click ("Load")
  void cancel();    // PushButton2_Click
  void showHelp();  // PushButton3_Click ("?")
  void browse();    // PushButton16_Click ("...")

  QLineEdit& pathBox() { return *text1_; }
  QLineEdit& separatorBox() { return *text2_; }
  QPushButton& button(int number);
  app::WindowPointer& pointer() { return pointer_; }

 private:
  void buildControls();

  WindowContext& context_;
  sets::SetList& setList_;
  app::WindowPointer pointer_;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QPushButton* buttons_[17] = {};
};

}  // namespace ui
