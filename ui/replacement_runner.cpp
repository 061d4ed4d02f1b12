// replacement_runner.cpp: the stand-in run.
#include "ui/replacement_runner.h"

namespace ui {

void PendingRunner::run(const RunRequest& request, RunSurface& surface) {
  if (request.currentIndex == -1) {
    surface.notice("Please select a table");
    return;
  }
  surface.setBusy(true);
  surface.report(db::ErrorReport{
      "This build cannot change tables yet: " + request.databasePath + " was left unchanged.",
      db::locationText("Form2", "PushButton1_Click"), 114, 0});
  surface.setBusy(false);
  surface.processEventsOnce();
  surface.notice("Done.");
}

}  // namespace ui
