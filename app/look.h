// look.h: the common look of the windows: the optional skin (a Qt style sheet), the button-face
// colour rule for labels, frames, check boxes and option buttons, the fonts and the icon.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include "jet/core/status.h"

class QWidget;

namespace app {

// The colour that the rule applies: the style's button face.
QColor buttonFaceColor();
// The designed background of the database window, its frame and its labels.
inline const QColor kDesignedWhite{255, 255, 255};

// 9 point bold for labels, frames, text boxes and lists; 11.25 point bold for push buttons and
// tab captions. "Arial" is asked for; Liberation Sans stands in where Arial is not installed.
QFont textFont();
QFont buttonFont();
// Maps "Arial" to a metric-compatible face when the system has no Arial.
void registerFontSubstitutes();

// Paints `widget`'s own background in `color` (nothing else about it changes).
void paintBackground(QWidget& widget, const QColor& color);

// The window and every label, frame, check box and option button in it, at any depth, take the
// button-face colour. Other controls keep theirs.
void applyFormColors(QWidget& window);

// True when a readable, visible, regular file is at the skin path: a folder, a hidden file or
// one that cannot be read counts as absent.
bool skinFilePresent(const QString& appFolder);

// Absent skin file: nothing happens. Present: applyFormColors(window), then the file is read as
// a style sheet and given to `window`. Fails when the file cannot be read after all, naming it.
jet::Status applySkin(QWidget& window, const QString& appFolder);

// The application icon from the application folder; an empty icon when the file is missing.
QIcon applicationIcon(const QString& appFolder);

}  // namespace app
