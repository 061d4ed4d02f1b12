// database_window.cpp: Form1's controls at their designed places, the start-up sequence and the
// handlers, each with its step numbers.
#include "ui/database_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/app_folder.h"
#include "app/app_title.h"
#include "app/hand_cursor.h"
#include "app/look.h"
#include "app/provider_prompt.h"
#include "db/file_exists.h"
#include "db/handler_trap.h"
#include "ui/hover_rule.h"
#include "ui/main_window.h"
#include "ui/twips.h"

namespace ui {
namespace {

constexpr char kWindow[] = "Form1";

// The whole text is selected when a box gets the focus, so that typing replaces it.
void selectAllOnFocus(QLineEdit& box, QObject* filterOwner) { box.installEventFilter(filterOwner); }

}  // namespace

DatabaseWindow::DatabaseWindow(WindowContext& context) : context_(context), pointer_(*this) {
  setObjectName("Form1");
  buildControls();
}

DatabaseWindow::~DatabaseWindow() = default;

void DatabaseWindow::buildControls() {
  setFixedSize(px(8040), px(2115));
  setFont(app::textFont());

  frame1_ = new QGroupBox(QStringLiteral("Access Database"), this);
  frame1_->setObjectName("Frame1");
  frame1_->setGeometry(twipsRect(120, 120, 7800, 1335));
  auto* label5 = new QLabel(QStringLiteral("MDB or ACCDB File:"), frame1_);
  label5->setObjectName("Label5");
  placeLabel(*label5, twipsRect(240, 345, 1935, 255));
  text1_ = new QLineEdit(frame1_);
  text1_->setObjectName("Text1");
  text1_->setGeometry(twipsRect(2280, 300, 4695, 345));
  buttons_[1] = new QPushButton(QStringLiteral("..."), frame1_);
  buttons_[1]->setGeometry(twipsRect(7080, 300, 450, 345));
  auto* password = new QLabel(QStringLiteral("Password (if required):"), frame1_);
  password->setObjectName("lblPassword");
  placeLabel(*password, twipsRect(240, 840, 1950, 225));
  text2_ = new QLineEdit(frame1_);
  text2_->setObjectName("Text2");
  text2_->setEchoMode(QLineEdit::Password);
  // Every character shows as "*" (42), under any style; the box's own sheet outranks a skin's.
  text2_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  text2_->setGeometry(twipsRect(2280, 800, 5265, 345));
  buttons_[3] = new QPushButton(QStringLiteral("Load Sample/Example Database"), this);
  buttons_[3]->setGeometry(twipsRect(120, 1580, 3840, 405));
  buttons_[2] = new QPushButton(QStringLiteral("Next >"), this);
  buttons_[2]->setGeometry(twipsRect(4080, 1580, 3840, 405));
  for (int n : {1, 2, 3}) {
    buttons_[n]->setObjectName(QStringLiteral("PushButton%1").arg(n));
    buttons_[n]->setFont(app::buttonFont());
  }
  paintDesignedWhite();

  // Keyboard focus in the designed order.
  setTabOrder(text1_, buttons_[2]);
  setTabOrder(buttons_[2], text2_);
  setTabOrder(text2_, buttons_[1]);
  setTabOrder(buttons_[1], buttons_[3]);

  auto* hover = new HoverRule(pointer_, this);
  for (int n : {1, 2, 3}) hover->handOver(*buttons_[n]);
  hover->arrowOver(*this);
  hover->arrowOver(*frame1_);

  selectAllOnFocus(*text1_, this);
  selectAllOnFocus(*text2_, this);
  connect(buttons_[1], &QPushButton::clicked, this, [this] { browse(); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] { next(); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { loadSample(); });
  // Every change is remembered at once; a write that fails is told once per start.
  connect(text1_, &QLineEdit::textChanged, this, [this](const QString& path) {
    context_.settingsNotice.check(context_.settings.setDatabasePath(path), context_.settings,
                                  context_.dialogs);
  });
  connect(text2_, &QLineEdit::textChanged, this, [this](const QString& secret) {
    context_.settingsNotice.check(context_.settings.setPassword(secret), context_.settings,
                                  context_.dialogs);
  });
}

// The window, its frame and its labels are designed white; the skin turns them button-face.
void DatabaseWindow::paintDesignedWhite() {
  app::paintBackground(*this, app::kDesignedWhite);
  app::paintBackground(*frame1_, app::kDesignedWhite);
  for (QLabel* label : findChildren<QLabel*>()) app::paintBackground(*label, app::kDesignedWhite);
}

QPushButton& DatabaseWindow::button(int number) { return *buttons_[number]; }

bool DatabaseWindow::startUp(const QString& givenPath) {
  db::HandlerTrap trap(context_.dialogs, kWindow, "Form_Load");
  trap.step(100, [&] { return app::applySkin(*this, context_.appFolder); });
  trap.begin(104);
  app::homePageChance(context_.random, context_.homePage, context_.opener);
  trap.begin(106);
  setWindowTitle(QString::fromLatin1(app::kProductName));
  setWindowIcon(app::applicationIcon(context_.appFolder));
  context_.dialogs.setApplicationTitle(
      app::applicationTitle(QString::fromLatin1(app::kProductName)).toStdString());
  app::installHandCursor(trap, 124, 126, context_.appFolder, pointer_);
  if (!givenPath.isEmpty()) {
    trap.begin(128);
    text1_->setText(givenPath);
  } else if (auto path = trap.step(128, [&] { return context_.settings.databasePath(); })) {
    text1_->setText(*path);
  }
  if (auto secret = trap.step(130, [&] { return context_.settings.password(); })) {
    text2_->setText(*secret);
  }
  trap.begin(138);
  if (!app::checkProvider(context_.engineProbe, context_.dialogs, context_.opener)) {
    if (context_.quit) context_.quit();
    return false;
  }
  if (trap.test(132, [&] { return !text1_->text().isEmpty(); }) &&
      trap.test(134, [&] { return db::fileExists(text1_->text().toStdString()); })) {
    trap.begin(136);
    next();
  }
  if (main_ == nullptr || !main_->isVisible()) show();
  return true;
}

MainWindow& DatabaseWindow::mainWindow() {
  if (main_ == nullptr) {
    main_ = std::make_unique<MainWindow>(context_);
    main_->setBackTarget(this);
    main_->setDatabaseSource(
        [this] { return std::pair(text1_->text().toStdString(), text2_->text().toStdString()); });
    main_->load();
  }
  return *main_;
}

void DatabaseWindow::browse() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton1_Click");
  trap.begin(100);
  trap.begin(102);  // the read-only box has no counterpart here and is never read
  trap.begin(104);
  trap.begin(106);
  const FileDialogRequest request{"Select Access Database",
                                  {{"All Microsoft Databases (*.mdb,*.accdb)", "*.*db"},
                                   {"Microsoft Database (*.mdb)", "*.mdb"},
                                   {"Microsoft 2007 Database (*.accdb)", "*.accdb"}}};
  trap.begin(108);
  const std::string chosen = context_.dialogs.pickOpenFile(request);
  if (trap.test(110, [&] { return !chosen.empty(); })) {
    trap.begin(112);
    text1_->setText(QString::fromStdString(chosen));
  }
}

void DatabaseWindow::next() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton2_Click");
  const std::string path = text1_->text().toStdString();
  const std::string secret = text2_->text().toStdString();
  const auto names = trap.step(100, [&] { return context_.database.listTables(path, secret); });
  if (trap.test(102, [&] { return !names.has_value() || !names->has_value(); })) {
    trap.begin(104);
    return;
  }
  MainWindow& main = (trap.begin(106), mainWindow());
  // The table list is filled from a second listing, so that it shows the file as it is now.
  if (auto again = trap.step(106, [&] {
        return context_.database.listTables(text1_->text().toStdString(),
                                            text2_->text().toStdString());
      })) {
    if (again->has_value()) main.fillTables(**again);
  }
  for (int i = main.tableList().count() - 1; i >= 0; --i) {
    trap.begin(108);
    trap.begin(110);
    main.tableList().item(i)->setSelected(true);
    trap.begin(112);
  }
  trap.begin(114);
  main.show();
  trap.begin(116);
  hide();
}

void DatabaseWindow::loadSample() {
  db::HandlerTrap trap(context_.dialogs, kWindow, "PushButton3_Click");
  trap.begin(100);
  text1_->setText(app::sampleDatabasePath(context_.appFolder));
}

bool DatabaseWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == text1_ || watched == text2_)) {
    auto* box = static_cast<QLineEdit*>(watched);
    // After Qt's own focus handling, which may place the cursor.
    QTimer::singleShot(0, box, [box] { box->selectAll(); });
  }
  return QWidget::eventFilter(watched, event);
}

void DatabaseWindow::closeEvent(QCloseEvent* event) {
  if (main_ != nullptr && main_->running()) {
    event->ignore();
    main_->refuseClose();
    return;
  }
  event->accept();
  if (context_.quit) context_.quit();
}

}  // namespace ui
