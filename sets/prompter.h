// prompter.h: the modal boxes that the set operations need (an input box, a Yes/No question, a
// notice), as an interface. The window layer implements it; tests pass a fake.
#pragma once

#include <string>

namespace sets {

class Prompter {
 public:
  virtual ~Prompter() = default;

  // An input box with OK and Cancel, captioned with the application title. Returns the text in
  // its field on OK, and the empty text on Cancel.
  virtual std::string askText(const std::string& prompt, const std::string& initialText) = 0;
  // A question with Yes and No (Yes the default) and no icon, captioned with the application
  // title. True for Yes.
  virtual bool askYesNo(const std::string& question) = 0;
  // A notice with only OK and no icon, captioned with the application title.
  virtual void notify(const std::string& message) = 0;
};

}  // namespace sets
