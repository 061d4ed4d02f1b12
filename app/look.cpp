// look.cpp: skin, colour rule, fonts and icon.
#include "app/look.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include "app/app_folder.h"
#include "app/error_codes.h"

namespace app {

QColor buttonFaceColor() { return QApplication::palette().color(QPalette::Button); }

namespace {

QFont boldArial(double points) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setWeight(QFont::Bold);
  return font;
}

bool isRecolouredKind(const QWidget& widget) {
  return qobject_cast<const QLabel*>(&widget) != nullptr ||
         qobject_cast<const QGroupBox*>(&widget) != nullptr ||
         qobject_cast<const QCheckBox*>(&widget) != nullptr ||
         qobject_cast<const QRadioButton*>(&widget) != nullptr;
}

}  // namespace

QFont textFont() { return boldArial(9.0); }
QFont buttonFont() { return boldArial(11.25); }

void registerFontSubstitutes() {
  if (!QFontDatabase::families().contains(QStringLiteral("Arial"))) {
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
  }
}

void paintBackground(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, color);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

void applyFormColors(QWidget& window) {
  const QColor face = buttonFaceColor();
  paintBackground(window, face);
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (isRecolouredKind(*child)) paintBackground(*child, face);
  }
}

bool skinFilePresent(const QString& appFolder) {
  const QFileInfo info(skinFilePath(appFolder));
  return info.exists() && info.isFile() && !info.isHidden() && info.isReadable();
}

jet::Status applySkin(QWidget& window, const QString& appFolder) {
  if (!skinFilePresent(appFolder)) return {};
  applyFormColors(window);
  const QString path = skinFilePath(appFolder);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return jet::Error{err::kSkinUnreadable,
                      "The skin file " + path.toStdString() +
                          " cannot be read: " + file.errorString().toStdString()};
  }
  window.setStyleSheet(QString::fromUtf8(file.readAll()));
  return {};
}

QIcon applicationIcon(const QString& appFolder) {
  const QString path = iconPath(appFolder);
  if (!QFileInfo::exists(path)) return {};
  return QIcon(path);
}

}  // namespace app
