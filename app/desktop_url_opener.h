// desktop_url_opener.h: opens a web address with the desktop's default handler (the browser),
// without waiting for it.
#pragma once

#include "db/url_opener.h"

namespace app {

class DesktopUrlOpener : public db::UrlOpener {
 public:
  bool open(const std::string& url) override;
};

}  // namespace app
