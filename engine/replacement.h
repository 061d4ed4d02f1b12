// replacement.h: what a replacement does to one value: the occurrence test, the left-to-right
// replacement of every occurrence, and a list of sets applied one after the other.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct ReplacementSet {
  std::string find;
  std::string replace;
};

// Case-sensitive (characters compared by code). An empty value never matches; an empty find
// text matches every other value.
bool occurs(std::string_view value, std::string_view find);

// Every non-overlapping occurrence, scanning left to right; inserted text is not scanned again.
// An empty find text leaves the value as it is.
std::string replaceAll(std::string_view value, std::string_view find, std::string_view replace);

struct SetsOutcome {
  std::string value;               // the value after every set that occurred
  std::vector<std::size_t> applied;  // positions of the sets that occurred, in list order
};

// Applies the sets in list order, each to the value as the sets before it left it, each with the
// occurrence test of a single replacement.
SetsOutcome applySets(std::string_view value, const std::vector<ReplacementSet>& sets);

}  // namespace engine
