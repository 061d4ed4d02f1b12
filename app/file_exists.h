// file_exists.h: the one shared test whether a path names an existing file. Never fails; an empty
// or malformed path, a missing entry or a folder counts as absent; hidden files count as present.
#pragma once

#include <QString>

namespace app {

bool fileExists(const QString& path);

}  // namespace app
