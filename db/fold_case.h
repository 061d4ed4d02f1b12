// fold_case.h: text equality without regard to letter case, as the Access engines compare text
// in a where clause. Folds ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters; other
// characters compare by code.
#pragma once

#include <string_view>

namespace db {

// `a` and `b` are UTF-8; invalid bytes compare as themselves.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace db
