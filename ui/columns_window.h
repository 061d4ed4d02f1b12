// columns_window.h: "Columns": a check list of each selected table's text and memo columns,
// from which the main window's run takes the columns it visits.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QTreeWidget;

namespace ui {

struct TableColumns {
  std::string table;
  std::vector<std::string> columns;
  std::vector<bool> chosen;  // one per column
};

class ColumnsWindow : public QDialog {
 public:
  static constexpr char kCaption[] = "Columns";

  ColumnsWindow(QWidget* owner, std::vector<TableColumns> tables);
  // The tables with the choice as the check list stands.
  std::vector<TableColumns> choice() const;
  // One top-level entry per table, one checkable child per column.
  QTreeWidget& list() { return *list_; }

 private:
  std::vector<TableColumns> tables_;
  QTreeWidget* list_ = nullptr;
};

}  // namespace ui
