// handler_trap.cpp: turns a handler's failed step into an error report, or a silent skip for
// the failures the handler tolerates.

#include "db/handler_trap.h"

#include <algorithm>

namespace db {

HandlerTrap::HandlerTrap(ErrorReporter& reporter, std::string_view window, std::string_view handler)
    : reporter_(reporter), location_(handlerLocation(window, handler)) {}

bool HandlerTrap::check(const jet::Status& status) {
  if (status.ok()) return true;
  fail(status.error());
  return false;
}

void HandlerTrap::fail(const jet::Error& error) {
  if (isTolerated(error.number)) {
    ++failuresTolerated_;
    return;
  }
  ++reportsShown_;
  reporter_.report(ErrorReport{error.description, location_, line_, error.number});
}

bool HandlerTrap::isTolerated(std::int32_t number) const {
  return std::find(tolerated_.begin(), tolerated_.end(), number) != tolerated_.end();
}

}  // namespace db
