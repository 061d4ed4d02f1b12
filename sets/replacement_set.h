// replacement_set.h: one replacement set (a find text and a replace text, kept exactly as given)
// and the rule that cuts a set out of a line at a separator. Lists of sets live in set_list.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sets {

struct ReplacementSet {
  std::string find;
  std::string replace;

  bool operator==(const ReplacementSet&) const = default;
};

// The separator that Add Set asks for and that set files are written with.
inline constexpr std::string_view kSetSeparator = "::";

// Cuts `text` at the occurrences of `separator`, found from the left without overlapping: the
// find text is what stands before the first one, the replace text what stands between the first
// and the second (or up to the end); later pieces are dropped and nothing is trimmed. No set when
// the separator is empty or does not occur.
std::optional<ReplacementSet> splitSet(std::string_view text, std::string_view separator);

}  // namespace sets
