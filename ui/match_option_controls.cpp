// match_option_controls.cpp: the rows of match option boxes and their settings.
#include "ui/match_option_controls.h"

#include <QCheckBox>
#include <QLabel>

#include "app/settings_store.h"

namespace ui {
namespace {

constexpr const char* kKeys[3] = {app::kKeyIgnoreCase, app::kKeyWholeWord, app::kKeyRegex};
constexpr const char* kCaptions[3] = {MatchOptionControls::kIgnoreCase,
                                      MatchOptionControls::kWholeWords,
                                      MatchOptionControls::kRegex};
constexpr const char* kNames[3] = {"IgnoreCase", "WholeWord", "Regex"};

bool& flag(engine::MatchOptions& o, int which) {
  return which == 0 ? o.ignoreCase : which == 1 ? o.wholeWord : o.regex;
}

}  // namespace

MatchOptionControls::MatchOptionControls(WindowContext& context, QObject* parent)
    : QObject(parent), context_(context) {}

void MatchOptionControls::addRow(QWidget& page, QLabel& findLabel, const QRect& where) {
  Row row;
  row.findLabel = &findLabel;
  const int width = where.width() / 3;
  const int number = static_cast<int>(rows_.size());
  for (int which = 0; which < 3; ++which) {
    auto* box = new QCheckBox(QString::fromLatin1(kCaptions[which]), &page);
    box->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(kNames[which])).arg(number));
    box->setGeometry(where.left() + which * width, where.top(), width, where.height());
    connect(box, &QCheckBox::toggled, this, [this, which](bool on) { changed(which, on); });
    row.boxes[which] = box;
  }
  rows_.push_back(row);
  show(options_);
}

void MatchOptionControls::load() {
  engine::MatchOptions stored;
  for (int which = 0; which < 3; ++which) {
    auto text = context_.settings.read(QLatin1String(kKeys[which]), QStringLiteral("0"));
    flag(stored, which) = text.ok() && text.value() == QLatin1String("1");
  }
  options_ = stored;
  show(options_);
}

engine::MatchOptions MatchOptionControls::options() const { return options_; }

void MatchOptionControls::show(const engine::MatchOptions& options) {
  showing_ = true;
  for (Row& row : rows_) {
    for (int which = 0; which < 3; ++which) {
      row.boxes[which]->setChecked(flag(const_cast<engine::MatchOptions&>(options), which));
    }
    row.findLabel->setText(QString::fromLatin1(options.ignoreCase ? kFindAnyCase
                                                                  : kFindCaseCounts));
  }
  showing_ = false;
}

void MatchOptionControls::changed(int which, bool on) {
  if (showing_ || flag(options_, which) == on) return;
  flag(options_, which) = on;
  show(options_);
  context_.settingsNotice.check(
      context_.settings.write(QLatin1String(kKeys[which]), on ? QStringLiteral("1")
                                                              : QStringLiteral("0")),
      context_.settings, context_.dialogs);
}

}  // namespace ui
