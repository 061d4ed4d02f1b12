// find_prefilter.cpp: building the automaton (a trie with failure links) and running it.
#include "engine/find_prefilter.h"

#include <algorithm>
#include <deque>

namespace engine {

FindPrefilter::FindPrefilter(const std::vector<ReplacementSet>& sets) : nodes_(1) {
  for (const ReplacementSet& set : sets) {
    if (set.find.empty()) {
      emptyFind_ = true;
      continue;
    }
    std::int32_t at = 0;
    for (char c : set.find) at = addChild(at, static_cast<std::uint8_t>(c));
    nodes_[static_cast<std::size_t>(at)].ends = true;
  }
  link();
}

std::int32_t FindPrefilter::child(std::int32_t node, std::uint8_t byte) const {
  const auto& next = nodes_[static_cast<std::size_t>(node)].next;
  auto it = std::lower_bound(next.begin(), next.end(), byte,
                             [](const auto& edge, std::uint8_t b) { return edge.first < b; });
  return it != next.end() && it->first == byte ? it->second : -1;
}

std::int32_t FindPrefilter::addChild(std::int32_t node, std::uint8_t byte) {
  if (std::int32_t existing = child(node, byte); existing >= 0) return existing;
  auto added = static_cast<std::int32_t>(nodes_.size());
  nodes_.emplace_back();
  auto& next = nodes_[static_cast<std::size_t>(node)].next;
  auto it = std::lower_bound(next.begin(), next.end(), byte,
                             [](const auto& edge, std::uint8_t b) { return edge.first < b; });
  next.insert(it, {byte, added});
  return added;
}

// Breadth first: each node's failure link is the longest proper suffix of its path that is also
// a path from the root; a node "ends" a find text when its failure target does.
void FindPrefilter::link() {
  std::deque<std::int32_t> queue;
  for (const auto& [byte, node] : nodes_[0].next) queue.push_back(node);
  while (!queue.empty()) {
    std::int32_t node = queue.front();
    queue.pop_front();
    for (const auto& [byte, next] : nodes_[static_cast<std::size_t>(node)].next) {
      std::int32_t f = nodes_[static_cast<std::size_t>(node)].fail;
      while (f != 0 && child(f, byte) < 0) f = nodes_[static_cast<std::size_t>(f)].fail;
      std::int32_t target = child(f, byte);
      Node& n = nodes_[static_cast<std::size_t>(next)];
      n.fail = target >= 0 && target != next ? target : 0;
      n.ends = n.ends || nodes_[static_cast<std::size_t>(n.fail)].ends;
      queue.push_back(next);
    }
  }
}

bool FindPrefilter::anyOccurs(std::string_view value) const {
  if (value.empty()) return false;
  if (emptyFind_) return true;
  std::int32_t at = 0;
  for (char c : value) {
    auto byte = static_cast<std::uint8_t>(c);
    std::int32_t next = child(at, byte);
    while (next < 0 && at != 0) {
      at = nodes_[static_cast<std::size_t>(at)].fail;
      next = child(at, byte);
    }
    at = next < 0 ? 0 : next;
    if (nodes_[static_cast<std::size_t>(at)].ends) return true;
  }
  return false;
}

}  // namespace engine
