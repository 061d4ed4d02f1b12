// main_window.h: the main window (Form2): the table list, the single find/replace pair, the set
// list with its buttons, "< Back" and "Start Replacing" with the run's progress and Cancel, and
// below them, after a run, what it did.
#pragma once

#include <QWidget>
#include <functional>

#include "app/window_pointer.h"
#include "engine/column_choice.h"
#include "sets/set_list.h"
#include "ui/window_context.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace ui {

class HoverRule;
class MatchOptionControls;

class MainWindow : public QWidget {
 public:
  // Told when the window (or the database window) is closed during a run.
  static constexpr char kCloseRefused[] =
      "The replacement run is still working, so Fieldmend cannot close yet. Press Cancel to stop "
      "it after the current row (what it has changed stays changed), then close the window.";
  // Asked before "Undo this run" takes the last run back.
  static constexpr char kUndoQuestion[] =
      "Undo this run? Every value it changed that still holds its new value gets its old value "
      "back; values changed since are left alone.";

  // Builds the controls; load() runs the window's load steps.
  explicit MainWindow(WindowContext& context);

  // The load steps (Form_Load), each reported at its number on failure.
  void load();
  // What "< Back" shows; set by the database window that owns this one.
  void setBackTarget(QWidget* window) { backTarget_ = window; }
  // Supplies the path and password of the database window at the moment of each use.
  void setDatabaseSource(std::function<std::pair<std::string, std::string>()> source) {
    databaseSource_ = std::move(source);
  }

  // The table list, filled by the database window's "Next >".
  void fillTables(const std::vector<std::string>& names);
  void selectAllTables(bool selected);

  // The handlers, as the buttons call them.
  void startReplacing();     // PushButton1_Click
  void removeSelectedSet();  // PushButton3_Click
  void saveSets();           // PushButton4_Click
  void back();               // PushButton5_Click
  void selectAll();          // PushButton8_Click
  void deselectAll();        // PushButton9_Click
  void addSet();             // PushButton10_Click
  void clearAllSets();       // PushButton11_Click
  void loadSets();           // PushButton12_Click
  void probeTable();         // List1_Click
  // "Columns…": a check list of the selected tables' text and memo columns; the choice lasts
  // until the table list is refilled.
  void chooseColumns();
  QPushButton& columnsButton() { return *columnsButton_; }
  const engine::ColumnChoice& columnChoice() const { return columns_; }
  void preview();            // "Preview…": the changes a run would make, to tick and apply
  void undoLastRun();        // "Undo this run", after one question

  // For tests and the screenshot script: the controls by their design names.
  QListWidget& tableList() { return *list1_; }
  QTabWidget& tabs() { return *tabControl1_; }
  QLineEdit& findText() { return *text1_; }
  QLineEdit& replaceText() { return *text2_; }
  QComboBox& findList() { return *combo1_; }
  QComboBox& replaceList() { return *combo2_; }
  QPushButton& button(int number);
  sets::SetList& setList() { return setList_; }
  app::WindowPointer& pointer() { return pointer_; }
  // Below "Start Replacing": the table and row with Cancel while a run works, then how the run
  // ended (in the label) and what it did (in the summary box), until the next run or "< Back".
  QWidget& progressPanel() { return *progressPanel_; }
  QProgressBar& progressBar() { return *progressBar_; }
  QLabel& progressLabel() { return *progressLabel_; }
  QPushButton& cancelButton() { return *cancelButton_; }
  QPlainTextEdit& summaryBox() { return *summaryBox_; }
  QPushButton& previewButton() { return *previewButton_; }
  // Shown below the summary while the last run can be taken back from its undo file.
  QPushButton& undoButton() { return *undoButton_; }
  void offerUndo(const std::string& undoPath);
  bool running() const { return running_; }
  void requestCancel() { cancelRequested_ = true; }
  void showSummary(const engine::RunSummary& summary);
  // A close during a run is refused; this says why and points to Cancel.
  void refuseClose();
  QGroupBox& frame() { return *frame1_; }
  // The match option boxes under the find and replace fields of both tabs.
  MatchOptionControls& matchOptions() { return *matchOptions_; }
  // Shows the set list's entries and selection in the two lists.
  void refreshSetLists();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Surface;
  friend class Surface;

  void buildControls();
  void buildSingleTab(QWidget& page);
  void buildSetTab(QWidget& page);
  void buildProgressPanel();
  void applyHoverRule();
  void onTabChanged(int index);
  void onPick(sets::SetColumn list, int position);
  RunRequest runRequest() const;
  void setRunning(bool running);
  void showPanel(bool shown);
  void placePanelRow();

  WindowContext& context_;
  app::WindowPointer pointer_;
  sets::SetList setList_;
  HoverRule* hover_ = nullptr;
  QWidget* backTarget_ = nullptr;
  std::function<std::pair<std::string, std::string>()> databaseSource_;
  bool running_ = false;
  bool cancelRequested_ = false;
  bool summaryShown_ = false;  // this run's summary is in the panel
  std::string undoPath_;       // the last run's undo file, while it is offered

  QGroupBox* frame1_ = nullptr;
  QListWidget* list1_ = nullptr;
  QTabWidget* tabControl1_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QComboBox* combo1_ = nullptr;
  QComboBox* combo2_ = nullptr;
  QPushButton* buttons_[13] = {};
  QWidget* progressPanel_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPlainTextEdit* summaryBox_ = nullptr;
  MatchOptionControls* matchOptions_ = nullptr;
  QPushButton* columnsButton_ = nullptr;
  engine::ColumnChoice columns_;
  QPushButton* previewButton_ = nullptr;
  QPushButton* undoButton_ = nullptr;
};

}  // namespace ui
