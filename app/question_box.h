// question_box.h: a modal Yes/No question, as an interface the window layer implements (tests
// pass a fake). Yes is the default button; there is no icon; the caption is the application title.
#pragma once

#include <string>

namespace app {

class QuestionBox {
 public:
  virtual ~QuestionBox() = default;
  // True when the user answers Yes.
  virtual bool askYesNo(const std::string& question) = 0;
};

}  // namespace app
