// fake_prompter.h: a Prompter for tests: answers from queues and records what it showed.
// Not part of the library.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "sets/prompter.h"

namespace sets {

class FakePrompter : public Prompter {
 public:
  std::deque<std::string> textAnswers;  // askText pops these; empty queue answers Cancel
  std::deque<bool> yesNoAnswers;        // askYesNo pops these; empty queue answers No
  std::vector<std::string> shown;       // every prompt, question and notice, in order

  std::string askText(const std::string& prompt, const std::string& initialText) override {
    shown.push_back(prompt + " [" + initialText + "]");
    return pop(textAnswers, std::string());
  }
  bool askYesNo(const std::string& question) override {
    shown.push_back(question);
    return pop(yesNoAnswers, false);
  }
  void notify(const std::string& message) override { shown.push_back(message); }

 private:
  template <typename T>
  static T pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T front = queue.front();
    queue.pop_front();
    return front;
  }
};

}  // namespace sets
