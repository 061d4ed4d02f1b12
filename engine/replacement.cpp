// replacement.cpp: the text operations of a replacement run.
#include "engine/replacement.h"

namespace engine {

bool occurs(std::string_view value, std::string_view find) {
  if (value.empty()) return false;
  return value.find(find) != std::string_view::npos;
}

std::string replaceAll(std::string_view value, std::string_view find, std::string_view replace) {
  if (find.empty()) return std::string(value);
  std::string out;
  out.reserve(value.size());
  std::size_t from = 0;
  for (std::size_t at = value.find(find); at != std::string_view::npos;
       at = value.find(find, from)) {
    out.append(value.substr(from, at - from));
    out.append(replace);
    from = at + find.size();
  }
  out.append(value.substr(from));
  return out;
}

SetsOutcome applySets(std::string_view value, const std::vector<ReplacementSet>& sets) {
  SetsOutcome outcome{std::string(value), {}};
  for (std::size_t m = 0; m < sets.size(); ++m) {
    if (!occurs(outcome.value, sets[m].find)) continue;
    outcome.value = replaceAll(outcome.value, sets[m].find, sets[m].replace);
    outcome.applied.push_back(m);
  }
  return outcome;
}

}  // namespace engine
