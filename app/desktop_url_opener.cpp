// desktop_url_opener.cpp: the desktop's open service through Qt.
#include "app/desktop_url_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace app {

bool DesktopUrlOpener::open(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace app
