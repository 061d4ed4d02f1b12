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

// Qt reads a filter's patterns from the parentheses that end its text and, with the details
// hidden, shows the text before them: a label that holds its own parentheses stays whole.
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setWindowTitle(q(request.title));
  QStringList filters;
  for (const FileFilter& filter : request.filters) {
    filters << q(filter.label + " (" + filter.patterns + ")");
  }
  dialog.setNameFilters(filters);
}

namespace {

// The chosen path, or the empty text when the dialog was cancelled.
std::string chosenPath(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

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
  QFileDialog dialog(ownerWindow());
  prepareFileDialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return chosenPath(dialog);
}

std::string QtDialogs::pickSaveFile(const FileDialogRequest& request) {
  QFileDialog dialog(ownerWindow());
  prepareFileDialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return chosenPath(dialog);
}

void QtDialogs::runModal(QDialog& window) {
  window.setWindowModality(Qt::ApplicationModal);
  window.exec();
}

}  // namespace ui
