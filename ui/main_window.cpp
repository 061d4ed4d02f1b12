// main_window.cpp: Form2's controls at their designed places and its handlers with their step
// numbers. The run is handed to the context's runner; while it works the window keeps painting,
// shows the table and row, and takes no input but Cancel; after it, the window says what it did.
#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "app/app_folder.h"
#include "app/app_title.h"
#include "app/hand_cursor.h"
#include "app/look.h"
#include "db/handler_trap.h"
#include "engine/replacement_run.h"
#include "sets/add_set.h"
#include "sets/set_file.h"
#include "ui/columns_window.h"
#include "ui/hover_rule.h"
#include "ui/match_option_controls.h"
#include "ui/load_sets_window.h"
#include "ui/preview_window.h"
#include "ui/twips.h"

namespace ui {
namespace {

constexpr char kWindow[] = "Form2";
// Controls on a tab are designed relative to the tab control; Qt places them on its page,
// which starts below the tab strip and inside the frame.
constexpr int kPageLeft = 2;
constexpr int kPageTop = 28;
// The designed client area, and the run panel that opens below it (twips).
constexpr int kDesignedWidth = 8040;
constexpr int kDesignedHeight = 7845;
constexpr int kPanelWidth = 7800;
constexpr int kLabelHeight = 600;  // two lines; a longer headline makes it taller
constexpr int kPanelGap = 60;      // between the label and the bar's row or the summary box
constexpr int kSummaryBoxHeight = 1740;

QRect onTab(int left, int top, int width, int height) {
  return twipsRect(left, top, width, height).translated(-kPageLeft, -kPageTop);
}

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// The window as a run sees it.
class MainWindow::Surface : public RunSurface {
 public:
  explicit Surface(MainWindow& window) : window_(window) {}
  void report(const db::ErrorReport& report) override { window_.context_.dialogs.report(report); }
  void notice(const std::string& text) override { window_.context_.dialogs.notify(text); }
  void setBusy(bool busy) override {
    window_.pointer_.setMode(busy ? app::PointerMode::kBusy : app::PointerMode::kDefault);
    window_.setRunning(busy);
  }
  void processEventsOnce() override { QApplication::processEvents(); }
  void progress(std::string_view table, std::uint64_t row, std::uint64_t rows) override {
    // Shown at a table's first and last row and otherwise a few times a second, so that a table
    // of millions of rows is not slowed by painting.
    if (row != 0 && row != rows && shown_.isValid() && shown_.elapsed() < kPaintEveryMs) return;
    shown_.start();
    window_.progressLabel_->setText(
        QStringLiteral("Table %1: row %2 of %3").arg(q(std::string(table))).arg(row).arg(rows));
    // The bar counts in thousandths so that tables of any size fit its int range.
    window_.progressBar_->setValue(rows == 0 ? 1000 : static_cast<int>(row * 1000 / rows));
    QApplication::processEvents();  // keeps painting; input is blocked but for Cancel
  }
  bool cancelRequested() override { return window_.cancelRequested_; }
  void finished(const engine::RunSummary& summary) override { window_.showSummary(summary); }
  void undoAvailable(const std::string& undoPath) override { window_.offerUndo(undoPath); }

 private:
  static constexpr qint64 kPaintEveryMs = 50;
  MainWindow& window_;
  QElapsedTimer shown_;
};

MainWindow::MainWindow(WindowContext& context)
    : context_(context), pointer_(*this), hover_(new HoverRule(pointer_, this)) {
  setObjectName("Form2");
  buildControls();
  applyHoverRule();
  setList_.setSelectionListener([this](sets::SetColumn, int) { refreshSetLists(); });
}

void MainWindow::buildControls() {
  setFixedSize(px(kDesignedWidth), px(kDesignedHeight));
  setFont(app::textFont());

  frame1_ = new QGroupBox(QStringLiteral("Select table(s) to find and replace within"), this);
  frame1_->setObjectName("Frame1");
  frame1_->setGeometry(twipsRect(120, 120, 7800, 2870));
  list1_ = new QListWidget(frame1_);
  list1_->setObjectName("List1");
  list1_->setSelectionMode(QAbstractItemView::MultiSelection);
  list1_->setGeometry(twipsRect(240, 300, 7320, 1860));
  // Three buttons share the row, "Columns…" last.
  buttons_[8] = new QPushButton(QStringLiteral("Select All"), frame1_);
  buttons_[8]->setGeometry(twipsRect(240, 2280, 2360, 405));
  buttons_[9] = new QPushButton(QStringLiteral("Deselect All"), frame1_);
  buttons_[9]->setGeometry(twipsRect(2720, 2280, 2360, 405));
  columnsButton_ = new QPushButton(QStringLiteral("Columns\u2026"), frame1_);
  columnsButton_->setObjectName("ColumnsButton");
  columnsButton_->setFont(app::buttonFont());
  columnsButton_->setGeometry(twipsRect(5200, 2280, 2360, 405));
  connect(columnsButton_, &QPushButton::clicked, this, [this] { chooseColumns(); });

  tabControl1_ = new QTabWidget(this);
  tabControl1_->setObjectName("TabControl1");
  tabControl1_->setGeometry(twipsRect(120, 3070, 7800, 3600));
  tabControl1_->tabBar()->setFont(app::buttonFont());
  auto* single = new QWidget;
  auto* multiple = new QWidget;
  for (QWidget* page : {single, multiple}) {
    page->setFont(app::textFont());
    app::paintBackground(*page, app::buttonFaceColor());  // the tab control's own face
  }
  matchOptions_ = new MatchOptionControls(context_, this);
  buildSingleTab(*single);
  buildSetTab(*multiple);
  tabControl1_->addTab(single, QStringLiteral("Single find and replace"));
  tabControl1_->addTab(multiple, QStringLiteral("Multiple find and replace (sets)"));

  buttons_[5] = new QPushButton(QStringLiteral("< Back"), this);
  buttons_[5]->setGeometry(twipsRect(120, 6800, 7800, 405));
  buttons_[1] = new QPushButton(QStringLiteral("Start Replacing"), this);
  buttons_[1]->setGeometry(twipsRect(120, 7320, 5760, 405));
  // Beside "Start Replacing", which gives it the last quarter of its row.
  previewButton_ = new QPushButton(QStringLiteral("Preview\u2026"), this);
  previewButton_->setObjectName("PreviewRun");
  previewButton_->setFont(app::buttonFont());
  previewButton_->setGeometry(twipsRect(6000, 7320, 1920, 405));
  buildProgressPanel();

  for (int n : {1, 3, 4, 5, 8, 9, 10, 11, 12}) {
    buttons_[n]->setObjectName(QStringLiteral("PushButton%1").arg(n));
    buttons_[n]->setFont(app::buttonFont());
  }
  // Keyboard focus in the designed order.
  QWidget* order[] = {list1_,      buttons_[8],  buttons_[9],  text1_,       text2_,
                      buttons_[5], buttons_[1],  tabControl1_, combo1_,      combo2_,
                      buttons_[3], buttons_[10], buttons_[11], buttons_[12], buttons_[4]};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  setTabOrder(buttons_[1], previewButton_);

  connect(buttons_[1], &QPushButton::clicked, this, [this] { startReplacing(); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { removeSelectedSet(); });
  connect(buttons_[4], &QPushButton::clicked, this, [this] { saveSets(); });
  connect(buttons_[5], &QPushButton::clicked, this, [this] { back(); });
  connect(buttons_[8], &QPushButton::clicked, this, [this] { selectAll(); });
  connect(buttons_[9], &QPushButton::clicked, this, [this] { deselectAll(); });
  connect(buttons_[10], &QPushButton::clicked, this, [this] { addSet(); });
  connect(buttons_[11], &QPushButton::clicked, this, [this] { clearAllSets(); });
  connect(buttons_[12], &QPushButton::clicked, this, [this] { loadSets(); });
  connect(previewButton_, &QPushButton::clicked, this, [this] { preview(); });
  connect(list1_, &QListWidget::itemClicked, this, [this] { probeTable(); });
  connect(tabControl1_, &QTabWidget::currentChanged, this, [this](int i) { onTabChanged(i); });
  connect(combo1_, &QComboBox::activated, this,
          [this](int i) { onPick(sets::SetColumn::kFind, i); });
  connect(combo2_, &QComboBox::activated, this,
          [this](int i) { onPick(sets::SetColumn::kReplace, i); });
}

void MainWindow::buildSingleTab(QWidget& page) {
  auto* label9 = new QLabel(QStringLiteral("Find what (must match case):"), &page);
  label9->setObjectName("Label9");
  placeLabel(*label9, onTab(240, 450, 4695, 255));
  text1_ = new QLineEdit(&page);
  text1_->setObjectName("Text1");
  text1_->setGeometry(onTab(240, 765, 7320, 345));
  auto* label8 = new QLabel(QStringLiteral("Replace with:"), &page);
  label8->setObjectName("Label8");
  placeLabel(*label8, onTab(240, 1245, 6015, 255));
  text2_ = new QLineEdit(&page);
  text2_->setObjectName("Text2");
  text2_->setGeometry(onTab(240, 1560, 7320, 345));
  matchOptions_->addRow(page, *label9, onTab(240, 1965, 7320, 240));
}

void MainWindow::buildSetTab(QWidget& page) {
  auto* label5 = new QLabel(QStringLiteral("Find what (must match case):"), &page);
  label5->setObjectName("Label5");
  placeLabel(*label5, onTab(240, 450, 4695, 255));
  combo1_ = new QComboBox(&page);
  combo1_->setObjectName("Combo1");
  combo1_->setGeometry(onTab(240, 765, 7320, 345));
  auto* label4 = new QLabel(QStringLiteral("Replace with:"), &page);
  label4->setObjectName("Label4");
  placeLabel(*label4, onTab(240, 1245, 6015, 255));
  combo2_ = new QComboBox(&page);
  combo2_->setObjectName("Combo2");
  combo2_->setGeometry(onTab(240, 1560, 7320, 345));
  matchOptions_->addRow(page, *label5, onTab(240, 1965, 7320, 240));
  const struct {
    int number;
    const char* caption;
    QRect where;
  } buttons[] = {{10, "Add Set", onTab(240, 2235, 7320, 405)},  // below the match options
                 {12, "Load Sets", onTab(240, 2700, 3600, 405)},
                 {4, "Save Sets", onTab(3960, 2700, 3600, 405)},
                 {3, "Remove Selected Set", onTab(240, 3165, 3600, 405)},
                 {11, "Clear All Sets", onTab(3960, 3165, 3600, 405)}};
  for (const auto& b : buttons) {
    buttons_[b.number] = new QPushButton(QString::fromLatin1(b.caption), &page);
    buttons_[b.number]->setGeometry(b.where);
  }
}

void MainWindow::buildProgressPanel() {
  progressPanel_ = new QWidget(this);
  progressPanel_->setObjectName("RunProgress");
  progressPanel_->move(px(120), px(kDesignedHeight));
  progressLabel_ = new QLabel(progressPanel_);
  progressLabel_->setWordWrap(true);
  progressLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  progressLabel_->setGeometry(0, 0, px(kPanelWidth), px(kLabelHeight));
  progressBar_ = new QProgressBar(progressPanel_);
  progressBar_->setRange(0, 1000);
  progressBar_->setTextVisible(false);
  const int row = px(kLabelHeight + kPanelGap);
  progressBar_->setGeometry(0, row, px(kPanelWidth - 2040), px(405));
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), progressPanel_);
  cancelButton_->setObjectName("CancelRun");
  cancelButton_->setFont(app::buttonFont());
  cancelButton_->setGeometry(px(kPanelWidth - 1920), row, px(1920), px(405));
  connect(cancelButton_, &QPushButton::clicked, this, [this] { requestCancel(); });
  summaryBox_ = new QPlainTextEdit(progressPanel_);
  summaryBox_->setObjectName("RunSummary");
  summaryBox_->setReadOnly(true);
  summaryBox_->setGeometry(0, row, px(kPanelWidth), px(kSummaryBoxHeight));
  summaryBox_->hide();
  undoButton_ = new QPushButton(QStringLiteral("Undo this run"), progressPanel_);
  undoButton_->setObjectName("UndoRun");
  undoButton_->setFont(app::buttonFont());
  undoButton_->setGeometry(0, row + px(kSummaryBoxHeight + kPanelGap), px(3600), px(405));
  undoButton_->hide();
  connect(undoButton_, &QPushButton::clicked, this, [this] { undoLastRun(); });
  progressPanel_->hide();
}

// The window grows by the panel while it shows, so that the designed controls keep their places:
// down to the bar's row during a run, down to the summary box after it.
void MainWindow::showPanel(bool shown) {
  progressPanel_->setVisible(shown);
  const QWidget& last = summaryShown_ ? static_cast<QWidget&>(*summaryBox_) : *progressBar_;
  const QWidget& bottom = summaryShown_ && !undoPath_.empty() ? *undoButton_ : last;
  const int panel = bottom.geometry().bottom() + 1;
  progressPanel_->resize(px(kPanelWidth), panel);
  setFixedSize(px(kDesignedWidth), px(kDesignedHeight) + (shown ? panel + px(120) : 0));
}

// The label takes as many lines as the text needs, and the row below it moves down with it.
void MainWindow::placePanelRow() {
  const int label = std::max(px(kLabelHeight), progressLabel_->heightForWidth(px(kPanelWidth)));
  progressLabel_->resize(px(kPanelWidth), label);
  const int row = label + px(kPanelGap);
  progressBar_->move(0, row);
  cancelButton_->move(cancelButton_->x(), row);
  summaryBox_->move(0, row);
  undoButton_->move(0, row + summaryBox_->height() + px(kPanelGap));
}

void MainWindow::showSummary(const engine::RunSummary& summary) {
  summaryShown_ = true;
  progressBar_->hide();
  cancelButton_->hide();
  progressLabel_->setText(q(summary.headline));
  placePanelRow();
  QStringList lines;
  for (const std::string& line : summary.details) lines << q(line);
  summaryBox_->setPlainText(lines.join(QLatin1Char('\n')));
  summaryBox_->show();
  showPanel(true);
  QApplication::processEvents();  // painted before "Done." holds the window
}

void MainWindow::refuseClose() { context_.dialogs.notify(kCloseRefused); }

void MainWindow::applyHoverRule() {
  for (int n : {1, 3, 4, 5, 8, 9, 10, 11, 12}) hover_->handOver(*buttons_[n]);
  hover_->handOver(*cancelButton_);
  hover_->handOver(*previewButton_);
  hover_->handOver(*undoButton_);
  hover_->arrowOver(*this);
  hover_->arrowOver(*frame1_);
  hover_->arrowOver(*list1_);
  hover_->arrowOver(*list1_->viewport());
  hover_->arrowOver(*tabControl1_);
  hover_->arrowOver(*tabControl1_->tabBar());
  for (int i = 0; i < tabControl1_->count(); ++i) hover_->arrowOver(*tabControl1_->widget(i));
}

QPushButton& MainWindow::button(int number) { return *buttons_[number]; }

void MainWindow::load() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "Form_Load");
  trap.begin(100);
  app::applyFormColors(*this);
  trap.begin(102);
  setWindowIcon(app::applicationIcon(context_.appFolder));
  app::installHandCursor(trap, 106, 108, context_.appFolder, pointer_);
  trap.begin(110);
  setWindowTitle(QString::fromLatin1(app::kProductName));
  for (int i = list1_->count() - 1; i >= 0; --i) {
    trap.begin(112);
    trap.begin(114);
    list1_->item(i)->setSelected(true);
    trap.begin(116);
  }
  auto tab = trap.step(118, [&] { return context_.settings.tabIndex(); });
  if (tab && *tab >= 0 && *tab < tabControl1_->count()) tabControl1_->setCurrentIndex(*tab);
  matchOptions_->load();
}

void MainWindow::fillTables(const std::vector<std::string>& names) {
  list1_->clear();
  columns_ = {};
  for (const std::string& name : names) list1_->addItem(q(name));
  if (list1_->count() > 0) list1_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void MainWindow::selectAllTables(bool selected) {
  for (int i = 0; i < list1_->count(); ++i) list1_->item(i)->setSelected(selected);
}

void MainWindow::onTabChanged(int index) {
  context_.settingsNotice.check(context_.settings.setTabIndex(index), context_.settings,
                                context_.dialogs);
}

void MainWindow::selectAll() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton8_Click");
  trap.begin(100);
  for (int i = 0; i < list1_->count(); ++i) {
    trap.begin(102);
    list1_->item(i)->setSelected(true);
    trap.begin(104);
  }
}

void MainWindow::deselectAll() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton9_Click");
  trap.begin(100);
  for (int i = 0; i < list1_->count(); ++i) {
    trap.begin(102);
    list1_->item(i)->setSelected(false);
    trap.begin(104);
  }
}

void MainWindow::back() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton5_Click");
  trap.begin(100);
  if (backTarget_ != nullptr) backTarget_->show();
  trap.begin(102);
  hide();
  showPanel(false);  // the last run's summary goes with the window
}

void MainWindow::addSet() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton10_Click");
  trap.begin(100);
  const sets::Status added = sets::addSet(setList_, context_.dialogs);
  if (!added.ok()) {
    trap.begin(108);
    trap.fail(jet::Error{added.error().number, added.error().description});
  }
  refreshSetLists();
}

void MainWindow::removeSelectedSet() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton3_Click");
  trap.begin(100);
  setList_.removeSelected();
  trap.begin(102);
  refreshSetLists();
}

void MainWindow::clearAllSets() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton11_Click");
  trap.begin(100);
  setList_.clear();
  trap.begin(102);
  refreshSetLists();
}

void MainWindow::onPick(sets::SetColumn list, int position) {
  setList_.pick(list, position);
  refreshSetLists();
}

void MainWindow::refreshSetLists() {
  const QSignalBlocker block1(combo1_);
  const QSignalBlocker block2(combo2_);
  if (combo1_->count() != setList_.count()) {
    combo1_->clear();
    combo2_->clear();
    for (const sets::ReplacementSet& set : setList_.all()) {
      combo1_->addItem(q(set.find));
      combo2_->addItem(q(set.replace));
    }
  }
  combo1_->setCurrentIndex(setList_.selected(sets::SetColumn::kFind));
  combo2_->setCurrentIndex(setList_.selected(sets::SetColumn::kReplace));
}

void MainWindow::saveSets() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton4_Click");
  trap.begin(99);
  trap.begin(100);
  trap.begin(102);
  trap.begin(104);
  // "All Files (*.*)" lists every file: on Linux a name needs no dot.
  const FileDialogRequest request{"Save",
                                  {{"Text Files (*.txt)", "*.txt"}, {"All Files (*.*)", "*"}}};
  trap.begin(106);
  const std::string path = context_.dialogs.pickSaveFile(request);
  trap.begin(108);
  if (trap.test(110, [&] { return path.empty(); })) return;
  trap.begin(112);
  const auto written = sets::writeSetFile(path, setList_, context_.dialogs);
  if (!written.ok()) trap.fail(jet::Error{written.error().number, written.error().description});
}

void MainWindow::loadSets() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton12_Click");
  trap.begin(100);
  LoadSetsWindow window(context_, setList_, this);
  window.load();
  context_.dialogs.runModal(window);
  refreshSetLists();
}

void MainWindow::probeTable() {
  // Not trapped by design; a table that cannot be opened is still reported, so that the user
  // learns of it before a run.
  db::HandlerTrap trap(context_.dialogs, kWindow, "List1_Click");
  const auto [path, password] =
      databaseSource_ ? databaseSource_() : std::pair<std::string, std::string>();
  const QListWidgetItem* current = list1_->currentItem();
  if (current != nullptr) {
    trap.step(100, [&] {
      return context_.database.probeTable(path, password, current->text().toStdString());
    });
  }
  pointer_.setMode(app::PointerMode::kDefault);
}

RunRequest MainWindow::runRequest() const {
  RunRequest request;
  if (databaseSource_) std::tie(request.databasePath, request.password) = databaseSource_();
  for (int i = 0; i < list1_->count(); ++i) {
    const QListWidgetItem* item = list1_->item(i);
    request.tables.push_back({item->text().toStdString(), item->isSelected()});
  }
  request.currentIndex = list1_->currentRow();
  request.tabIndex = tabControl1_->currentIndex();
  request.findText = text1_->text().toStdString();
  request.replaceText = text2_->text().toStdString();
  request.match = matchOptions_->options();
  request.columns = columns_;
  for (const sets::ReplacementSet& set : setList_.all()) {
    request.sets.push_back({set.find, set.replace});
  }
  return request;
}

void MainWindow::setRunning(bool running) {
  running_ = running;
  frame1_->setEnabled(!running);
  tabControl1_->setEnabled(!running);
  buttons_[1]->setEnabled(!running);
  buttons_[5]->setEnabled(!running);
  previewButton_->setEnabled(!running);
  if (!running) return;  // the panel stays, for the summary
  undoPath_.clear();  // a new run: the last one is no longer offered for undoing
  undoButton_->hide();
  cancelRequested_ = false;
  summaryShown_ = false;
  progressBar_->setValue(0);
  progressBar_->show();
  cancelButton_->show();
  progressLabel_->clear();
  summaryBox_->hide();
  placePanelRow();
  showPanel(true);
}

void MainWindow::startReplacing() {
  Surface surface(*this);
  context_.runner.run(runRequest(), surface);
  if (running_) {  // a runner that ended without setting the pointer back
    pointer_.setMode(app::PointerMode::kDefault);
    setRunning(false);
  }
  if (!summaryShown_) showPanel(false);
}

void MainWindow::preview() {
  RunRequest request = runRequest();
  PreviewWindow window(context_, request, this);
  context_.dialogs.runModal(window);
  if (!window.applyChosen()) return;
  PreviewModel& ticked = window.model();
  request.accept = [&ticked](const engine::FieldChange& change) { return ticked.accepts(change); };
  Surface surface(*this);
  context_.runner.run(request, surface);
  if (running_) {
    pointer_.setMode(app::PointerMode::kDefault);
    setRunning(false);
  }
  if (!summaryShown_) {
    showPanel(false);
    return;
  }
  const std::size_t missed = ticked.tickedCount() - std::min(ticked.accepted(), ticked.tickedCount());
  if (missed > 0) {
    summaryBox_->appendPlainText(
        QStringLiteral("%1 ticked changes were not made: their cells no longer held the values "
                       "shown in the preview.")
            .arg(missed));
  }
}

void MainWindow::offerUndo(const std::string& undoPath) {
  undoPath_ = undoPath;
  undoButton_->show();
  placePanelRow();
  showPanel(true);
}

void MainWindow::undoLastRun() {
  if (undoPath_.empty()) return;
  app::QuestionBox& questions = context_.dialogs;
  if (!questions.askYesNo(kUndoQuestion)) return;
  const std::string undoPath = undoPath_;
  Surface surface(*this);
  context_.runner.undo(runRequest(), undoPath, surface);
  if (running_) {
    pointer_.setMode(app::PointerMode::kDefault);
    setRunning(false);
  }
  undoPath_.clear();  // taken back: a second undo would change nothing
  undoButton_->hide();
  showPanel(summaryShown_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {  // the run ends first; Cancel stops it between rows
    event->ignore();
    refuseClose();
    return;
  }
  event->accept();
  if (context_.quit) context_.quit();
}

void MainWindow::chooseColumns() {
  std::string path, password;
  if (databaseSource_) std::tie(path, password) = databaseSource_();
  std::vector<TableColumns> tables;
  for (int i = 0; i < list1_->count(); ++i) {
    if (!list1_->item(i)->isSelected()) continue;
    const std::string name = list1_->item(i)->text().toStdString();
    auto columns = context_.database.textColumns(path, password, name);
    if (!columns.ok()) {
      context_.dialogs.notify(columns.error().description);
      return;
    }
    TableColumns t{name, std::move(columns).value(), {}};
    for (const std::string& c : t.columns) t.chosen.push_back(columns_.chosen(name, c));
    tables.push_back(std::move(t));
  }
  if (tables.empty()) {
    context_.dialogs.notify(std::string(engine::kPleaseSelectTable));
    return;
  }
  ColumnsWindow window(this, tables);
  context_.dialogs.runModal(window);
  if (window.result() != QDialog::Accepted) return;
  for (const TableColumns& t : window.choice()) {
    std::vector<std::string> chosen;
    for (std::size_t k = 0; k < t.columns.size(); ++k) {
      if (t.chosen[k]) chosen.push_back(t.columns[k]);
    }
    // Every text column ticked: the table is visited whole, its other columns included.
    if (chosen.size() == t.columns.size()) {
      columns_.unlimit(t.table);
    } else {
      columns_.limit(t.table, std::move(chosen));
    }
  }
}

}  // namespace ui
