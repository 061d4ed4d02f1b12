// load_sets_window.cpp: Form3's controls at their designed places and its handlers with their
// step numbers.
#include "ui/load_sets_window.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/app_folder.h"
#include "app/hand_cursor.h"
#include "app/look.h"
#include "db/file_exists.h"
#include "db/handler_trap.h"
#include "sets/set_file.h"
#include "ui/hover_rule.h"
#include "ui/twips.h"

namespace ui {
namespace {

constexpr char kWindow[] = "Form3";

jet::Error asJetError(const sets::Error& error) { return {error.number, error.description}; }

}  // namespace

std::string separatorHelpText() {
  const char* lines[] = {"If the text file you are loading looks like this:",
                         "",
                         "hi::hello",
                         "peter::pete",
                         "",
                         "then use :: as a Separator",
                         "",
                         "If the text file you are loading looks like this:",
                         "",
                         "hi,hello",
                         "peter,pete",
                         "",
                         "then use , as a Separator",
                         "",
                         "NOTE: The 'Save Sets' feature in this software always saves in this "
                         "format:",
                         "",
                         "hi::hello",
                         "peter::pete"};
  std::string text;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

LoadSetsWindow::LoadSetsWindow(WindowContext& context, sets::SetList& setList, QWidget* parent)
    : QDialog(parent), context_(context), setList_(setList), pointer_(*this) {
  setObjectName("Form3");
  buildControls();
}

void LoadSetsWindow::buildControls() {
  setWindowTitle(QStringLiteral("Load Sets"));
  setFixedSize(px(8040), px(1620));
  setFont(app::textFont());

  auto* fileLabel = new QLabel(QStringLiteral("File To Load:"), this);
  fileLabel->setObjectName("Label1_0");
  placeLabel(*fileLabel, twipsRect(120, 180, 1050, 225));
  text1_ = new QLineEdit(this);
  text1_->setObjectName("Text1");
  text1_->setGeometry(twipsRect(1320, 120, 5880, 345));
  auto* separatorLabel = new QLabel(QStringLiteral("Separator:"), this);
  separatorLabel->setObjectName("Label1_1");
  placeLabel(*separatorLabel, twipsRect(120, 660, 900, 225));
  text2_ = new QLineEdit(this);
  text2_->setObjectName("Text2");
  text2_->setGeometry(twipsRect(1320, 600, 5880, 345));

  const struct {
    int number;
    const char* caption;
    QRect where;
  } buttons[] = {{16, "...", twipsRect(7320, 120, 600, 345)},
                 {3, "?", twipsRect(7320, 600, 600, 345)},
                 {1, "Load", twipsRect(120, 1080, 3840, 400)},
                 {2, "Cancel", twipsRect(4080, 1080, 3840, 405)}};
  auto* hover = new HoverRule(pointer_, this);
  for (const auto& b : buttons) {
    auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QStringLiteral("PushButton%1").arg(b.number));
    button->setGeometry(b.where);
    button->setFont(app::buttonFont());
    button->setAutoDefault(false);
    hover->handOver(*button);
    buttons_[b.number] = button;
  }
  hover->arrowOver(*this);

  setTabOrder(text1_, text2_);
  setTabOrder(text2_, buttons_[1]);
  setTabOrder(buttons_[1], buttons_[2]);
  setTabOrder(buttons_[2], buttons_[16]);
  setTabOrder(buttons_[16], buttons_[3]);

  connect(buttons_[1], &QPushButton::clicked, this, [this] { loadFile(); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] { cancel(); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { showHelp(); });
  connect(buttons_[16], &QPushButton::clicked, this, [this] { browse(); });
  connect(text2_, &QLineEdit::textChanged, this, [this](const QString& separator) {
    context_.settingsNotice.check(context_.settings.setSeparator(separator), context_.settings,
                                  context_.dialogs);
  });
}

QPushButton& LoadSetsWindow::button(int number) { return *buttons_[number]; }

void LoadSetsWindow::load() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "Form_Load");
  trap.begin(100);
  app::applyFormColors(*this);
  trap.begin(102);
  setWindowIcon(app::applicationIcon(context_.appFolder));
  app::installHandCursor(trap, 106, 108, context_.appFolder, pointer_);
  if (auto separator = trap.step(108, [&] { return context_.settings.separator(); })) {
    text2_->setText(*separator);  // through the change handler, which writes it back
  }
}

void LoadSetsWindow::loadFile() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton1_Click");
  const std::string separator = text2_->text().toStdString();
  if (trap.test(100, [&] { return separator.empty(); })) {
    trap.begin(130);
    context_.dialogs.notify("You must enter separating character(s).");
    return;
  }
  const QString path = text1_->text();
  if (trap.test(102, [&] { return path.trimmed().isEmpty(); })) return;
  // A folder does not count as a file here.
  if (trap.test(104,
                [&] { return !db::fileExists(path.toStdString()) || QFileInfo(path).isDir(); })) {
    trap.begin(128);
    context_.dialogs.notify(path.toStdString() + " not found.");
    return;
  }
  trap.begin(106);
  const sets::Status loaded = sets::loadSetFile(path.toStdString(), separator, setList_);
  if (!loaded.ok()) trap.fail(asJetError(loaded.error()));
  trap.begin(126);
  accept();
}

void LoadSetsWindow::cancel() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton2_Click");
  trap.begin(100);
  reject();
}

void LoadSetsWindow::showHelp() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton3_Click");
  trap.begin(100);
  context_.dialogs.notify(separatorHelpText());
}

void LoadSetsWindow::browse() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton16_Click");
  trap.begin(100);
  trap.begin(102);
  trap.begin(104);
  const FileDialogRequest request{"Select Text File", {{"Text Files (*.txt)", "*.txt"}}};
  trap.begin(106);
  const std::string chosen = context_.dialogs.pickOpenFile(request);
  if (trap.test(108, [&] { return !chosen.empty(); })) {
    trap.begin(110);
    text1_->setText(QString::fromStdString(chosen));
  }
}

}  // namespace ui
