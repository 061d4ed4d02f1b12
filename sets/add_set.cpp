// add_set.cpp: the "Add Set" action.

#include "sets/add_set.h"

#include <optional>
#include <string>

namespace sets {

Status addSet(SetList& list, Prompter& prompter) {
  const std::string answer = prompter.askText(kAddSetPrompt, kAddSetInitialText);
  if (answer.empty()) return {};
  std::optional<ReplacementSet> set = splitSet(answer, kSetSeparator);
  if (!set) {
    prompter.notify(kMissingSeparatorMessage);
    return {};
  }
  return list.append(std::move(*set));
}

}  // namespace sets
