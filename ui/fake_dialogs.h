// fake_dialogs.h: Dialogs for tests: answers from queues and records every box it was asked to
// show, in order, with its kind. Not part of the library.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/error_report.h"
#include "ui/dialogs.h"

namespace ui {

struct ShownBox {
  std::string kind;  // "input", "question", "notice", "report", "open", "save", "modal"
  std::string text;  // prompt, question, notice, report text or dialog title
  std::string caption;
};

class FakeDialogs : public Dialogs {
 public:
  std::deque<std::string> textAnswers;  // askText; empty queue answers Cancel
  std::deque<bool> yesNoAnswers;        // askYesNo; empty queue answers No
  std::deque<std::string> fileAnswers;  // pickOpenFile / pickSaveFile; empty queue cancels
  // runModal runs the next script on the window, which stands for the user's actions; the
  // window is closed afterwards if the script left it open. An empty queue closes it at once.
  std::deque<std::function<void(QDialog&)>> modalScripts;

  std::vector<ShownBox> shown;
  std::vector<db::ErrorReport> reports;
  std::vector<FileDialogRequest> fileRequests;
  std::string title;

  void setApplicationTitle(const std::string& t) override { title = t; }
  std::string askText(const std::string& prompt, const std::string& initialText) override {
    shown.push_back({"input", prompt + " [" + initialText + "]", title});
    return pop(textAnswers, std::string());
  }
  bool askYesNo(const std::string& question) override {
    shown.push_back({"question", question, title});
    return pop(yesNoAnswers, false);
  }
  void notify(const std::string& message) override { shown.push_back({"notice", message, title}); }
  void report(const db::ErrorReport& r) override {
    shown.push_back({"report", app::errorReportText(r), std::string(app::kErrorReportCaption)});
    reports.push_back(r);
  }
  std::string pickOpenFile(const FileDialogRequest& request) override {
    shown.push_back({"open", request.title, ""});
    fileRequests.push_back(request);
    return pop(fileAnswers, std::string());
  }
  std::string pickSaveFile(const FileDialogRequest& request) override {
    shown.push_back({"save", request.title, ""});
    fileRequests.push_back(request);
    return pop(fileAnswers, std::string());
  }
  void runModal(QDialog& window) override {
    shown.push_back({"modal", window.windowTitle().toStdString(), ""});
    if (!modalScripts.empty()) {
      auto script = std::move(modalScripts.front());
      modalScripts.pop_front();
      script(window);
    }
    if (window.isVisible() || window.result() == 0) window.reject();
  }

  // The boxes of one kind, in order.
  std::vector<std::string> texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const ShownBox& box : shown) {
      if (box.kind == kind) out.push_back(box.text);
    }
    return out;
  }

 private:
  template <typename T>
  static T pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
  }
};

}  // namespace ui
