// desktop_url_opener.h: opens a web address with the desktop's default handler (the browser),
// without waiting for it.
#pragma once

#include "app/url_opener.h"

namespace app {

class DesktopUrlOpener : public UrlOpener {
 public:
  bool open(const std::string& url) override;
};

}  // namespace app
