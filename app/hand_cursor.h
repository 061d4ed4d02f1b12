// hand_cursor.h: reads the hand pointer image, a Windows cursor file (.CUR), into a pointer with
// the hotspot that the file names.
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QString>
#include <optional>

#include "app/window_pointer.h"
#include "db/handler_trap.h"
#include "jet/core/status.h"

namespace app {

// The first image of a cursor file's bytes with its hotspot. Fails on anything that is not a
// cursor file, naming `path`.
jet::Result<QCursor> cursorFromBytes(const QByteArray& bytes, const QString& path);

// Nothing when no file is at the hand pointer path (db::fileExists); the pointer when there is one;
// an error naming the file when it is there but cannot be read as a cursor.
jet::Result<std::optional<QCursor>> loadHandCursor(const QString& appFolder);

// The two steps each window's load takes for the hand pointer, under the handler's trap: the
// test that the file is there (step `testLine`), then reading it into `pointer` (`loadLine`).
void installHandCursor(db::HandlerTrap& trap, int testLine, int loadLine, const QString& appFolder,
                       WindowPointer& pointer);

}  // namespace app
