// app_folder.h: the files that ship in the application folder (the folder of the executable),
// each named by the same parts as on its first platform, joined with this platform's separator.
#pragma once

#include <QString>

namespace app {

QString skinFilePath(const QString& appFolder);        // <folder>/x/o.cjs
QString handCursorPath(const QString& appFolder);      // <folder>/HAND-M.CUR
QString sampleDatabasePath(const QString& appFolder);  // <folder>/Samples/sample.mdb
QString iconPath(const QString& appFolder);            // <folder>/fieldmend.png

}  // namespace app
