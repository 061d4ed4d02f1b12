// replacement_set.cpp: cutting a set out of a line at a separator.

#include "sets/replacement_set.h"

namespace sets {

std::optional<ReplacementSet> splitSet(std::string_view text, std::string_view separator) {
  if (separator.empty()) return std::nullopt;
  const std::size_t first = text.find(separator);
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t replaceStart = first + separator.size();
  const std::size_t second = text.find(separator, replaceStart);
  const std::size_t replaceLength =
      second == std::string_view::npos ? std::string_view::npos : second - replaceStart;
  return ReplacementSet{std::string(text.substr(0, first)),
                        std::string(text.substr(replaceStart, replaceLength))};
}

}  // namespace sets
