// provider_prompt.cpp: the missing-provider question and the download pages.

#include "app/provider_prompt.h"

#include <array>

#include "app/error_report.h"

namespace app {

std::string missingProviderQuestion() {
  const std::array<std::string, 7> lines = {
      "Error #3706: Provider cannot be found. It may not be properly installed.",
      "You are getting this error because:",
      "1. Microsoft Access is not installed on your computer.",
      "2. A set of Microsoft components to transfer data is not installed on your computer.",
      "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve "
      "this problem.",
      "Would you like me to open the Microsoft site now so you can do this?",
      std::string("(If you have any further questions please email a screenshot of this error "
                  "message to ") +
          std::string(kSupportAddress) + ")",
  };
  std::string text = lines[0];
  for (std::size_t i = 1; i < lines.size(); ++i) text.append("\r\n\r\n").append(lines[i]);
  return text;
}

bool checkProvider(const db::EngineProbe& probe, QuestionBox& question, UrlOpener& opener) {
  const db::ProviderState state = db::probeProvider(probe);
  if (state == db::ProviderState::kPresent) return true;
  if (state == db::ProviderState::kMissing && question.askYesNo(missingProviderQuestion())) {
    opener.open(kDownloadPage2010);  // a page that cannot be opened is no reason to stop
    opener.open(kDownloadPage2016);
  }
  return false;
}

}  // namespace app
