// qt_dialogs.cpp: the real boxes. Message boxes get their buttons and icons set explicitly so that
// they look the same under every style.
#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "app/error_report.h"

namespace ui {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

// Plain text with CR LF and lone CR as line ends, as the boxes' texts are written.
QString boxText(const std::string& text) {
  QString out = q(text);
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

QWidget* ownerWindow() { return QApplication::activeWindow(); }

}  // namespace

QString qtFilterText(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const FileFilter& filter : filters) parts << q(filter.label + " (" + filter.patterns + ")");
  return parts.join(QStringLiteral(";;"));
}

void QtDialogs::setApplicationTitle(const std::string& title) { title_ = q(title); }

std::string QtDialogs::askText(const std::string& prompt, const std::string& initialText) {
  bool ok = false;
  const QString answer = QInputDialog::getText(ownerWindow(), title_, boxText(prompt),
                                               QLineEdit::Normal, q(initialText), &ok);
  return ok ? answer.toStdString() : std::string();
}

bool QtDialogs::askYesNo(const std::string& question) {
  QMessageBox box(QMessageBox::NoIcon, title_, boxText(question),
                  QMessageBox::Yes | QMessageBox::No, ownerWindow());
  box.setDefaultButton(QMessageBox::Yes);
  box.setTextFormat(Qt::PlainText);
  return box.exec() == QMessageBox::Yes;
}

void QtDialogs::notify(const std::string& message) {
  QMessageBox box(QMessageBox::NoIcon, title_, boxText(message), QMessageBox::Ok, ownerWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtDialogs::report(const db::ErrorReport& report) {
  QMessageBox box(QMessageBox::Warning, q(std::string(app::kErrorReportCaption)),
                  q(app::errorReportDisplayText(report)), QMessageBox::Ok, ownerWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::string QtDialogs::pickOpenFile(const FileDialogRequest& request) {
  return QFileDialog::getOpenFileName(ownerWindow(), q(request.title), QString(),
                                      qtFilterText(request.filters))
      .toStdString();
}

std::string QtDialogs::pickSaveFile(const FileDialogRequest& request) {
  return QFileDialog::getSaveFileName(ownerWindow(), q(request.title), QString(),
                                      qtFilterText(request.filters), nullptr,
                                      QFileDialog::DontConfirmOverwrite)
      .toStdString();
}

void QtDialogs::runModal(QDialog& window) {
  window.setWindowModality(Qt::ApplicationModal);
  window.exec();
}

}  // namespace ui
