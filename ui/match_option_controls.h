// match_option_controls.h: the match options of the main window: a row of three check boxes
// ("Ignore case", "Whole words", "Regular expression") under the find and replace fields of each
// tab. The rows mirror each other, the find labels stop promising that case must match while
// case is ignored, and every change is stored in the settings at once.
#pragma once

#include <QObject>
#include <QRect>
#include <vector>

#include "engine/matcher.h"
#include "ui/window_context.h"

class QCheckBox;
class QLabel;
class QWidget;

namespace ui {

class MatchOptionControls : public QObject {
 public:
  static constexpr char kIgnoreCase[] = "Ignore case";
  static constexpr char kWholeWords[] = "Whole words";
  static constexpr char kRegex[] = "Regular expression";
  static constexpr char kFindCaseCounts[] = "Find what (must match case):";
  static constexpr char kFindAnyCase[] = "Find what:";

  MatchOptionControls(WindowContext& context, QObject* parent);

  // Adds a row of the three boxes on `page` at `where` (page coordinates); `findLabel` is the
  // label above that tab's find field.
  void addRow(QWidget& page, QLabel& findLabel, const QRect& where);
  // Reads the stored options (all off when none are stored) into every row.
  void load();
  engine::MatchOptions options() const;
  // Box `which` (0 ignore case, 1 whole words, 2 regular expression) of row `row`.
  QCheckBox& box(int row, int which) { return *rows_.at(static_cast<std::size_t>(row)).boxes[which]; }

 private:
  struct Row {
    QCheckBox* boxes[3] = {};
    QLabel* findLabel = nullptr;
  };
  void show(const engine::MatchOptions& options);
  void changed(int which, bool on);

  WindowContext& context_;
  std::vector<Row> rows_;
  engine::MatchOptions options_;
  bool showing_ = false;  // true while show() sets the boxes: no settings are written then
};

}  // namespace ui
