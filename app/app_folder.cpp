// app_folder.cpp: paths of the shipped files.
#include "app/app_folder.h"

#include <QDir>

namespace app {
namespace {

QString join(const QString& folder, const QString& relative) {
  return folder + QDir::separator() + QDir::toNativeSeparators(relative);
}

}  // namespace

QString skinFilePath(const QString& appFolder) { return join(appFolder, "x/o.cjs"); }
QString handCursorPath(const QString& appFolder) { return join(appFolder, "HAND-M.CUR"); }
QString sampleDatabasePath(const QString& appFolder) {
  return join(appFolder, "Samples/sample.mdb");
}
QString iconPath(const QString& appFolder) { return join(appFolder, "fieldmend.png"); }

}  // namespace app
