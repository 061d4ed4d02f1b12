// preview_window.cpp: the change list, its painter that marks found and replacing text, the
// table/column ticks, and the dry run that fills it while the window stays responsive.
#include "ui/preview_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/look.h"
#include "db/recordset.h"

namespace ui {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

std::uint64_t hashOf(std::string_view text) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : text) {
    h ^= static_cast<std::uint8_t>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::uint64_t placeKey(jet::RowLocator where) {
  return (static_cast<std::uint64_t>(where.page) << 16) | where.row;
}

// As much of a value as the list shows: the start, or, when the first marked text lies further
// on, a stretch from just before it; cut at character boundaries, "…" where text is left out.
std::string shown(std::string_view value, std::size_t firstMark) {
  constexpr std::size_t kLead = 16;  // the list's columns are narrow: the mark comes early
  auto boundary = [&](std::size_t at) {
    while (at > 0 && at < value.size() && (static_cast<unsigned char>(value[at]) & 0xC0) == 0x80) {
      --at;
    }
    return at;
  };
  std::size_t from = 0;
  if (firstMark != std::string_view::npos && firstMark > 2 * kLead) {
    from = boundary(firstMark - kLead);
  }
  std::string out = from > 0 ? "\u2026" : "";
  if (value.size() - from <= PreviewModel::kShownBytes) return out + std::string(value.substr(from));
  const std::size_t to = boundary(from + PreviewModel::kShownBytes);
  return out + std::string(value.substr(from, to - from)) + "\u2026";
}

// Where the first of `texts` occurs in `value` (npos: none does).
std::size_t firstOf(std::string_view value, const std::vector<std::string_view>& texts) {
  std::size_t first = std::string_view::npos;
  for (std::string_view t : texts) {
    if (t.empty()) continue;
    first = std::min(first, value.find(t));
  }
  return first;
}

// One line for the list: line breaks and tabs show as spaces (same length, so marks still fit).
QString oneLine(const std::string& text) {
  QString s = q(text);
  for (QChar& c : s) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t')) {
      c = QLatin1Char(' ');
    }
  }
  return s;
}

// Paints old and new values with their marked parts on a highlight.
class MarkDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QVariant marks = index.data(PreviewModel::kMarksRole);
    if (!marks.isValid()) return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    const QRect box = opt.rect.adjusted(4, 0, -4, 0);
    painter->setClipRect(box);
    const QFontMetrics fm(opt.font);
    int x = box.left();
    const int baseline = box.top() + (box.height() + fm.ascent() - fm.descent()) / 2;
    int at = 0;
    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    const QColor plain = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    auto run = [&](int from, int length, bool marked) {
      if (length <= 0 || x > box.right()) return;
      const QString part = text.mid(from, length);
      const int width = fm.horizontalAdvance(part);
      if (marked) {
        painter->fillRect(QRect(x, box.top() + 2, width, box.height() - 4), QColor(255, 221, 110));
        painter->setPen(Qt::black);
      } else {
        painter->setPen(plain);
      }
      painter->drawText(x, baseline, part);
      x += width;
    };
    for (const QVariant& v : marks.toList()) {
      const QPoint mark = v.toPoint();
      run(at, mark.x() - at, false);
      run(mark.x(), mark.y(), true);
      at = mark.x() + mark.y();
    }
    run(at, static_cast<int>(text.size()) - at, false);
    painter->restore();
  }
};

}  // namespace

// ---- the model

PreviewModel::PreviewModel(bool single, std::vector<engine::ReplacementSet> pairs, QObject* parent)
    : QAbstractTableModel(parent), single_(single), pairs_(std::move(pairs)) {}

std::uint32_t PreviewModel::groupOf(std::string_view table, std::string_view column) {
  auto key = std::make_pair(std::string(table), std::string(column));
  auto found = groupIndex_.find(key);
  if (found != groupIndex_.end()) return found->second;
  const auto index = static_cast<std::uint32_t>(groups_.size());
  Group group;
  group.table = key.first;
  group.column = key.second;
  groups_.push_back(std::move(group));
  groupIndex_.emplace(std::move(key), index);
  return index;
}

void PreviewModel::add(const engine::FieldChange& change, const engine::RowIdentity& row) {
  Entry e;
  e.group = groupOf(change.table, change.column);
  e.where = row.locator;
  e.row = row.text();
  std::vector<std::string_view> finds;
  std::vector<std::string_view> replaces;
  if (change.applied == nullptr) {
    if (!pairs_.empty()) {
      finds.push_back(pairs_[0].find);
      replaces.push_back(pairs_[0].replace);
    }
  } else {
    for (std::size_t m : *change.applied) {
      if (m >= pairs_.size()) continue;
      finds.push_back(pairs_[m].find);
      replaces.push_back(pairs_[m].replace);
    }
  }
  e.oldShown = shown(change.oldValue, firstOf(change.oldValue, finds));
  e.newShown = shown(change.newValue, firstOf(change.newValue, replaces));
  e.oldHash = hashOf(change.oldValue);
  e.oldSize = change.oldValue.size();
  if (change.applied != nullptr) {
    for (std::size_t m : *change.applied) e.applied.push_back(static_cast<std::uint16_t>(m));
  }
  pending_.push_back(std::move(e));
}

void PreviewModel::flush() {
  if (pending_.empty()) return;
  const int first = static_cast<int>(entries_.size());
  beginInsertRows({}, first, first + static_cast<int>(pending_.size()) - 1);
  for (Entry& e : pending_) {
    Group& g = groups_[e.group];
    g.byPlace.emplace(placeKey(e.where), static_cast<std::uint32_t>(entries_.size()));
    ++g.total;
    ++g.ticked;
    ++ticked_;
    entries_.push_back(std::move(e));
  }
  pending_.clear();
  endInsertRows();
  if (ticksChanged) ticksChanged(-1);
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant PreviewModel::marks(const Entry& entry, bool old) const {
  QVariantList list;
  const QString text = oneLine(old ? entry.oldShown : entry.newShown);
  std::vector<std::pair<int, int>> found;
  auto mark = [&](const std::string& what) {
    if (what.empty()) return;
    const QString needle = q(what);
    for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + needle.size())) {
      found.emplace_back(static_cast<int>(at), static_cast<int>(needle.size()));
    }
  };
  if (single_ || entry.applied.empty()) {
    if (!pairs_.empty()) mark(old ? pairs_[0].find : pairs_[0].replace);
  } else {
    for (std::uint16_t m : entry.applied) {
      if (m < pairs_.size()) mark(old ? pairs_[m].find : pairs_[m].replace);
    }
  }
  std::sort(found.begin(), found.end());
  int end = 0;
  for (const auto& [at, length] : found) {
    if (at < end) continue;  // overlapping marks: the first one stands
    list.push_back(QPoint(at, length));
    end = at + length;
  }
  return list;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(entries_.size())) return {};
  const Entry& e = entries_[static_cast<std::size_t>(index.row())];
  const Group& g = groups_[e.group];
  if (role == Qt::CheckStateRole && index.column() == kTick) {
    return e.ticked ? Qt::Checked : Qt::Unchecked;
  }
  if (role == kMarksRole && (index.column() == kOld || index.column() == kNew)) {
    return marks(e, index.column() == kOld);
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kTable: return q(g.table);
    case kRow: return q(e.row);
    case kColumn: return q(g.column);
    case kOld: return oneLine(e.oldShown);
    case kNew: return oneLine(e.newShown);
    default: return {};
  }
}

bool PreviewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || index.column() != kTick) return false;
  setTicked(index.row(), value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags PreviewModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.column() == kTick) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const names[] = {"", "Table", "Row", "Column", "Old value", "New value"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

void PreviewModel::tick(Entry& e, bool ticked) {
  if (e.ticked == ticked) return;
  e.ticked = ticked;
  Group& g = groups_[e.group];
  if (ticked) {
    ++g.ticked;
    ++ticked_;
  } else {
    --g.ticked;
    --ticked_;
  }
}

void PreviewModel::setTicked(int row, bool ticked) {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  Entry& e = entries_[static_cast<std::size_t>(row)];
  tick(e, ticked);
  const QModelIndex at = index(row, kTick);
  emit dataChanged(at, at, {Qt::CheckStateRole});
  if (ticksChanged) ticksChanged(static_cast<int>(e.group));
}

void PreviewModel::setGroupTicked(const std::string& table, const std::string* column,
                                  bool ticked) {
  for (Entry& e : entries_) {
    const Group& g = groups_[e.group];
    if (g.table == table && (column == nullptr || g.column == *column)) tick(e, ticked);
  }
  if (!entries_.empty()) {
    emit dataChanged(index(0, kTick), index(static_cast<int>(entries_.size()) - 1, kTick),
                     {Qt::CheckStateRole});
  }
  if (ticksChanged) ticksChanged(-1);
}

void PreviewModel::setAllTicked(bool ticked) {
  for (Entry& e : entries_) tick(e, ticked);
  if (!entries_.empty()) {
    emit dataChanged(index(0, kTick), index(static_cast<int>(entries_.size()) - 1, kTick),
                     {Qt::CheckStateRole});
  }
  if (ticksChanged) ticksChanged(-1);
}

bool PreviewModel::accepts(const engine::FieldChange& change) {
  if (change.record == nullptr) return false;
  auto group = groupIndex_.find(std::make_pair(std::string(change.table), std::string(change.column)));
  if (group == groupIndex_.end()) return false;
  const Group& g = groups_[group->second];
  auto place = g.byPlace.find(placeKey(change.record->locator()));
  if (place == g.byPlace.end()) return false;
  const Entry& e = entries_[place->second];
  if (!e.ticked || e.oldSize != change.oldValue.size() || e.oldHash != hashOf(change.oldValue)) {
    return false;
  }
  ++accepted_;
  return true;
}

// ---- the window

class PreviewWindow::Surface : public PreviewSurface {
 public:
  explicit Surface(PreviewWindow& window) : window_(window) {}
  void report(const db::ErrorReport& report) override { window_.context_.dialogs.report(report); }
  void notice(const std::string& text) override { window_.context_.dialogs.notify(text); }
  void progress(std::string_view table, std::uint64_t row, std::uint64_t rows) override {
    if (row != 0 && row != rows && shown_.isValid() && shown_.elapsed() < kPaintEveryMs) return;
    shown_.start();
    window_.model_->flush();
    window_.label_->setText(QStringLiteral("Table %1: row %2 of %3; %4 changes found")
                                .arg(q(std::string(table)))
                                .arg(row)
                                .arg(rows)
                                .arg(window_.model_->changeCount()));
    window_.bar_->setValue(rows == 0 ? 1000 : static_cast<int>(row * 1000 / rows));
    QApplication::processEvents();  // the list scrolls and Cancel answers while the scan goes on
  }
  bool cancelRequested() override { return window_.cancelRequested_; }
  void change(const engine::FieldChange& change, const engine::RowIdentity& row) override {
    window_.model_->add(change, row);
  }
  void finished(const engine::RunSummary& summary) override {
    window_.model_->flush();
    window_.headline_ = summary.headline;
  }

 private:
  static constexpr qint64 kPaintEveryMs = 50;
  PreviewWindow& window_;
  QElapsedTimer shown_;
};

PreviewWindow::PreviewWindow(WindowContext& context, RunRequest request, QWidget* parent)
    : QDialog(parent), context_(context), request_(std::move(request)) {
  setObjectName("PreviewWindow");
  setWindowTitle(QStringLiteral("Preview"));
  setFont(app::textFont());
  resize(900, 560);
  const bool single = request_.tabIndex != 1;
  model_ = new PreviewModel(
      single,
      single ? std::vector<engine::ReplacementSet>{{request_.findText, request_.replaceText}}
             : request_.sets,
      this);

  label_ = new QLabel(this);
  label_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 1000);
  bar_->setTextVisible(false);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName("CancelPreview");
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(bar_, 1);
  progressRow->addWidget(cancel_);

  tree_ = new QTreeWidget(this);
  tree_->setObjectName("PreviewGroups");
  tree_->setHeaderLabel(QStringLiteral("Tables and columns"));
  view_ = new QTableView(this);
  view_->setObjectName("PreviewChanges");
  view_->setModel(model_);
  view_->setItemDelegate(new MarkDelegate(view_));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  // Every row as high as the first: the view then never measures the rows it does not show.
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setColumnWidth(PreviewModel::kTick, 28);
  view_->setColumnWidth(PreviewModel::kOld, 220);
  auto* lists = new QHBoxLayout;
  lists->addWidget(tree_, 1);
  lists->addWidget(view_, 4);

  auto* tickAll = new QPushButton(QStringLiteral("Tick All"), this);
  auto* untickAll = new QPushButton(QStringLiteral("Untick All"), this);
  apply_ = new QPushButton(QStringLiteral("Apply Ticked Changes"), this);
  apply_->setObjectName("ApplyTicked");
  apply_->setEnabled(false);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  for (QPushButton* b : {cancel_, tickAll, untickAll, apply_, close}) b->setFont(app::buttonFont());
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(tickAll);
  buttons->addWidget(untickAll);
  buttons->addStretch(1);
  buttons->addWidget(apply_);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addLayout(progressRow);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);

  connect(cancel_, &QPushButton::clicked, this, [this] { requestCancel(); });
  connect(tickAll, &QPushButton::clicked, this, [this] { model_->setAllTicked(true); });
  connect(untickAll, &QPushButton::clicked, this, [this] { model_->setAllTicked(false); });
  connect(apply_, &QPushButton::clicked, this, [this] {
    applyChosen_ = true;
    accept();
  });
  connect(close, &QPushButton::clicked, this, [this] { reject(); });
  connect(tree_, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem* item, int) { onTreeItemChanged(item); });
  model_->ticksChanged = [this](int group) { refreshTree(group); };
}

void PreviewWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) QTimer::singleShot(0, this, [this] { start(); });
}

void PreviewWindow::reject() {
  cancelRequested_ = true;  // a scan under way stops at its next row
  QDialog::reject();
}

void PreviewWindow::start() {
  if (started_) return;
  started_ = true;
  scanning_ = true;
  cancelRequested_ = false;
  Surface surface(*this);
  context_.runner.preview(request_, surface);
  scanning_ = false;
  model_->flush();
  bar_->hide();
  cancel_->hide();
  showCounts();
}

void PreviewWindow::showCounts() {
  if (scanning_) return;
  QString text = cancelRequested_ ? QStringLiteral("Cancelled: the list holds the changes found "
                                                   "before. ")
                                  : QString();
  text += QStringLiteral("%1 changes found, %2 ticked. Applying changes each ticked cell that "
                         "still holds the value shown, and no other.")
              .arg(model_->changeCount())
              .arg(model_->tickedCount());
  label_->setText(text);
  apply_->setEnabled(model_->tickedCount() > 0);
}

// The tree lists every table with its columns; each shows whether all, some or none of its
// changes are ticked, and ticks or unticks them all.
void PreviewWindow::refreshTree(int group) {
  refreshing_ = true;
  const auto& groups = model_->groups();
  auto tableItem = [&](const std::string& table) -> QTreeWidgetItem* {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
      if (tree_->topLevelItem(i)->text(0) == q(table)) return tree_->topLevelItem(i);
    }
    auto* item = new QTreeWidgetItem(tree_, QStringList{q(table)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setExpanded(true);
    return item;
  };
  auto state = [](std::size_t ticked, std::size_t total) {
    return ticked == 0 ? Qt::Unchecked : ticked == total ? Qt::Checked : Qt::PartiallyChecked;
  };
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (group >= 0 && static_cast<std::size_t>(group) != i) continue;
    const PreviewModel::Group& g = groups[i];
    QTreeWidgetItem* table = tableItem(g.table);
    QTreeWidgetItem* column = nullptr;
    for (int c = 0; c < table->childCount(); ++c) {
      if (table->child(c)->data(0, Qt::UserRole).toString() == q(g.column)) column = table->child(c);
    }
    if (column == nullptr) {
      column = new QTreeWidgetItem(table);
      column->setFlags(column->flags() | Qt::ItemIsUserCheckable);
      column->setData(0, Qt::UserRole, q(g.column));
    }
    column->setText(0, QStringLiteral("%1 (%2 of %3)").arg(q(g.column)).arg(g.ticked).arg(g.total));
    column->setCheckState(0, state(g.ticked, g.total));
    std::size_t ticked = 0;
    std::size_t total = 0;
    for (const PreviewModel::Group& other : groups) {
      if (other.table != g.table) continue;
      ticked += other.ticked;
      total += other.total;
    }
    table->setCheckState(0, state(ticked, total));
  }
  refreshing_ = false;
  showCounts();
}

void PreviewWindow::onTreeItemChanged(QTreeWidgetItem* item) {
  if (refreshing_) return;
  const bool ticked = item->checkState(0) != Qt::Unchecked;
  if (item->parent() == nullptr) {
    model_->setGroupTicked(item->text(0).toStdString(), nullptr, ticked);
  } else {
    const std::string column = item->data(0, Qt::UserRole).toString().toStdString();
    model_->setGroupTicked(item->parent()->text(0).toStdString(), &column, ticked);
  }
}

}  // namespace ui
