// add_set.h: the "Add Set" action: ask for "find::replace", check it and append the set.
// The input box and the notice come through a Prompter; the button lives in the window.
#pragma once

#include "sets/prompter.h"
#include "sets/set_list.h"
#include "sets/set_status.h"

namespace sets {

inline constexpr const char* kAddSetPrompt =
    "Enter find and replace set (use :: to separate find text and replace text):";
inline constexpr const char* kAddSetInitialText = "findwhat::replacewith";
inline constexpr const char* kMissingSeparatorMessage =
    "You must use :: to separate the find text from the replace text";

// Asks for a set and appends it to `list`. An empty answer (Cancel) changes nothing and shows
// nothing; an answer without "::" shows kMissingSeparatorMessage and changes nothing. Fails
// (changing nothing) only when the list is full; a window reports that at its append step.
Status addSet(SetList& list, Prompter& prompter);

}  // namespace sets
