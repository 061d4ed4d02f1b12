// app_title.cpp: the title rule.
#include "app/app_title.h"

namespace app {

QString applicationTitle(const QString& name) {
  QString title = name;
  bool cutOnce = false;
  while (!cutOnce || title.size() > kMaxTitleLength) {
    const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
    if (space < 0) break;
    title.truncate(space);
    cutOnce = true;
  }
  return title;
}

}  // namespace app
