// url_opener.h: opening a web address in the user's browser without waiting for it, as an
// interface that DesktopUrlOpener implements (tests pass a fake).
#pragma once

#include <string>

namespace app {

class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // Hands `url` (a bare address, no quotes) to the browser. False when that failed.
  virtual bool open(const std::string& url) = 0;
};

}  // namespace app
