// preview_window.h: the Preview window: every change a run would make (table, row, column, old
// and new value with the found and the replacing text marked), filled by a dry run while it
// scans, with progress and Cancel. The user ticks changes, or whole tables and columns, and
// applies the ticked ones: the run then changes only those cells, each only while it still holds
// the value shown.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/replacement_runner.h"
#include "ui/window_context.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

// The changes as a list model. Values are kept as far as they are shown (the start of a long
// memo), with a hash of the whole old value, so that the list stays small for many changes.
class PreviewModel : public QAbstractTableModel {
 public:
  enum Column { kTick, kTable, kRow, kColumn, kOld, kNew, kColumnCount };
  // For kOld and kNew: the marked parts of the shown text, as QPoint(start, length) in a list.
  static constexpr int kMarksRole = Qt::UserRole + 1;
  static constexpr std::size_t kShownBytes = 240;

  // `single`: the run's one pair; otherwise `sets`, of which each change names those applied.
  PreviewModel(bool single, std::vector<engine::ReplacementSet> pairs, QObject* parent = nullptr);

  // A change found; it is listed at the next flush().
  void add(const engine::FieldChange& change, const engine::RowIdentity& row);
  void flush();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The tables and their columns that have changes, in the order found.
  struct Group {
    std::string table;
    std::string column;
    std::size_t total = 0;
    std::size_t ticked = 0;
    std::unordered_map<std::uint64_t, std::uint32_t> byPlace;  // row locator -> change
  };
  const std::vector<Group>& groups() const { return groups_; }
  void setTicked(int row, bool ticked);
  // Every change of the group (or of every group of `table` when `column` is null).
  void setGroupTicked(const std::string& table, const std::string* column, bool ticked);
  void setAllTicked(bool ticked);
  std::size_t tickedCount() const { return ticked_; }
  std::size_t changeCount() const { return entries_.size(); }
  // Told when ticks change, with the group whose count changed (-1: several).
  std::function<void(int group)> ticksChanged;

  // The apply run's filter: true for a listed, ticked change whose cell still holds the value
  // shown. Counts what it lets through.
  bool accepts(const engine::FieldChange& change);
  std::size_t accepted() const { return accepted_; }

 private:
  struct Entry {
    std::uint32_t group = 0;
    jet::RowLocator where;
    std::string row;
    std::string oldShown;
    std::string newShown;
    std::uint64_t oldHash = 0;
    std::size_t oldSize = 0;
    std::vector<std::uint16_t> applied;  // sets mode: the sets that occurred
    bool ticked = true;
  };
  std::uint32_t groupOf(std::string_view table, std::string_view column);
  QVariant marks(const Entry& entry, bool old) const;
  void tick(Entry& entry, bool ticked);

  bool single_;
  std::vector<engine::ReplacementSet> pairs_;
  std::vector<Entry> entries_;
  std::vector<Entry> pending_;
  std::vector<Group> groups_;
  std::map<std::pair<std::string, std::string>, std::uint32_t> groupIndex_;
  std::size_t ticked_ = 0;
  std::size_t accepted_ = 0;
};

class PreviewWindow : public QDialog {
 public:
  PreviewWindow(WindowContext& context, RunRequest request, QWidget* parent = nullptr);

  // Runs the dry run that fills the list (once; the window starts it when first shown).
  void start();
  bool applyChosen() const { return applyChosen_; }
  PreviewModel& model() { return *model_; }
  const RunRequest& request() const { return request_; }

  // For tests: the controls.
  QTableView& view() { return *view_; }
  QTreeWidget& groupTree() { return *tree_; }
  QLabel& statusLabel() { return *label_; }
  QPushButton& applyButton() { return *apply_; }
  QPushButton& cancelButton() { return *cancel_; }
  void requestCancel() { cancelRequested_ = true; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  class Surface;
  void refreshTree(int group);
  void onTreeItemChanged(QTreeWidgetItem* item);
  void showCounts();

  WindowContext& context_;
  RunRequest request_;
  PreviewModel* model_ = nullptr;
  QLabel* label_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* apply_ = nullptr;
  QTableView* view_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  bool started_ = false;
  bool scanning_ = false;
  bool cancelRequested_ = false;
  bool applyChosen_ = false;
  bool refreshing_ = false;
  std::string headline_;
};

}  // namespace ui
