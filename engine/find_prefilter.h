// find_prefilter.h: tells in one pass over a value whether any of many find texts occurs in it
// (an Aho-Corasick automaton over the texts' bytes), so that multiple mode can pass over values
// that no set touches without trying each set. The sets themselves still apply one by one.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/replacement.h"

namespace engine {

class FindPrefilter {
 public:
  explicit FindPrefilter(const std::vector<ReplacementSet>& sets);

  // True when some set's find text occurs in `value` by occurs()'s rule (an empty value never
  // does; an empty find text occurs in every other value).
  bool anyOccurs(std::string_view value) const;

 private:
  struct Node {
    std::vector<std::pair<std::uint8_t, std::int32_t>> next;  // sorted by byte
    std::int32_t fail = 0;
    bool ends = false;  // some find text ends here (or at a state its failure chain reaches)
  };
  std::int32_t child(std::int32_t node, std::uint8_t byte) const;
  std::int32_t addChild(std::int32_t node, std::uint8_t byte);
  void link();

  std::vector<Node> nodes_;
  bool emptyFind_ = false;
};

}  // namespace engine
