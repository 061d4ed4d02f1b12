// fold_case.h: Access's rule for comparing names (of tables, columns, indexes, properties) and
// the text of a where clause without regard to letter case. Folds ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters; other characters compare by code. The one place this
// rule lives: every comparison of names goes through it.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// `a` and `b` are UTF-8; invalid bytes compare as themselves.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// `text` with every letter in its folded (lower-case) form, for keys of sets and maps: two texts
// have the same key exactly when equalsIgnoringCase() holds. Invalid bytes are kept as they are.
std::string foldCase(std::string_view text);

}  // namespace jet
