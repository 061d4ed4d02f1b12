// file_exists.h: the one shared test whether a path names an existing entry, by asking for its
// last-modified time: the table catalogue, the start-up, the hand pointer and the set files all
// use it. Never fails and leaves nothing behind; attributes (hidden, read-only) and the entry's
// kind do not matter, so a folder counts as present.
#pragma once

#include <string>

namespace db {

// True when the platform gives the entry's last-modified time; false on any failure (empty path,
// no such entry, missing folder, malformed path).
bool fileExists(const std::string& path);

}  // namespace db
