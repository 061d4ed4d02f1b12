// database_window.h: the database window (Form1): the database path and password, browse, the
// sample database and "Next >". Its load is the application's start-up; closing it ends the
// application. It creates the main window the first time it is needed and owns it.
#pragma once

#include <QWidget>
#include <memory>

#include "app/window_pointer.h"
#include "ui/window_context.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class MainWindow;

class DatabaseWindow : public QWidget {
 public:
  explicit DatabaseWindow(WindowContext& context);
  ~DatabaseWindow() override;

  // The start-up sequence (Form_Load). A non-empty `givenPath` (the command line's) goes into
  // the path box in place of the remembered path, and so is remembered and opened instead.
  // False when the provider check failed: the application has then been ended and no window
  // is shown. Otherwise the database window or the main window is showing.
  bool startUp(const QString& givenPath = QString());

  void browse();      // PushButton1_Click ("...")
  void next();        // PushButton2_Click ("Next >")
  void loadSample();  // PushButton3_Click ("Load Sample/Example Database")

  // The main window, created and loaded the first time anything asks for it.
  MainWindow& mainWindow();
  bool hasMainWindow() const { return main_ != nullptr; }

  QLineEdit& pathBox() { return *text1_; }
  QLineEdit& passwordBox() { return *text2_; }
  QPushButton& button(int number);
  QGroupBox& frame() { return *frame1_; }
  app::WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void paintDesignedWhite();

  WindowContext& context_;
  app::WindowPointer pointer_;
  std::unique_ptr<MainWindow> main_;
  QGroupBox* frame1_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QPushButton* buttons_[4] = {};
};

}  // namespace ui
