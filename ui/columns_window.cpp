// columns_window.cpp: the check list and its OK and Cancel.
#include "ui/columns_window.h"

#include <QDialogButtonBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/look.h"

namespace ui {

ColumnsWindow::ColumnsWindow(QWidget* owner, std::vector<TableColumns> tables)
    : QDialog(owner), tables_(std::move(tables)) {
  setWindowTitle(QString::fromLatin1(kCaption));
  setFont(app::textFont());
  auto* layout = new QVBoxLayout(this);
  list_ = new QTreeWidget(this);
  list_->setObjectName("ColumnList");
  list_->setHeaderHidden(true);
  for (const TableColumns& t : tables_) {
    auto* table = new QTreeWidgetItem(list_, {QString::fromStdString(t.table)});
    for (std::size_t k = 0; k < t.columns.size(); ++k) {
      auto* column = new QTreeWidgetItem(table, {QString::fromStdString(t.columns[k])});
      column->setFlags(column->flags() | Qt::ItemIsUserCheckable);
      column->setCheckState(0, t.chosen[k] ? Qt::Checked : Qt::Unchecked);
    }
    table->setExpanded(true);
  }
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(360, 420);
}

std::vector<TableColumns> ColumnsWindow::choice() const {
  std::vector<TableColumns> out = tables_;
  for (int i = 0; i < list_->topLevelItemCount() && i < static_cast<int>(out.size()); ++i) {
    const QTreeWidgetItem* table = list_->topLevelItem(i);
    auto& chosen = out[static_cast<std::size_t>(i)].chosen;
    for (int k = 0; k < table->childCount() && k < static_cast<int>(chosen.size()); ++k) {
      chosen[static_cast<std::size_t>(k)] = table->child(k)->checkState(0) == Qt::Checked;
    }
  }
  return out;
}

}  // namespace ui
