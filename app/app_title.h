// app_title.h: the product's display name and the rule that turns it into the application title,
// the caption of every message box that names none of its own.
#pragma once

#include <QString>

namespace app {

inline constexpr char kProductName[] = "Fieldmend";
inline constexpr int kMaxTitleLength = 40;

// Cuts `name` just before its last space at least once, then again while it is longer than
// kMaxTitleLength. A name without a space cannot be cut and is the title as it stands.
QString applicationTitle(const QString& name);

}  // namespace app
