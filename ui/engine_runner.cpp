// engine_runner.cpp: the window's surface seen as the run's notices, pointer, event pump,
// progress sink and error reporter; the run's outcome reaches it in words.
#include "ui/engine_runner.h"

#include <cstdlib>
#include <ctime>

#include "engine/replacement_run.h"
#include "engine/run_summary.h"

namespace ui {
namespace {

class SurfaceBridge : public db::ErrorReporter,
                      public engine::NoticeBox,
                      public engine::PointerControl,
                      public engine::EventPump,
                      public engine::ProgressSink {
 public:
  explicit SurfaceBridge(RunSurface& surface) : surface_(surface) {}
  void report(const db::ErrorReport& report) override { surface_.report(report); }
  void showNotice(const std::string& text) override { surface_.notice(text); }
  void setPointerMode(engine::PointerMode mode) override {
    surface_.setBusy(mode == engine::PointerMode::kBusy);
  }
  void processEventsOnce() override { surface_.processEventsOnce(); }
  void progress(const engine::RunProgress& where) override {
    surface_.progress(where.table, where.row, where.rows);
  }
  bool cancelRequested() override { return surface_.cancelRequested(); }
  void finished(const engine::RunOutcome& outcome) override {
    surface_.finished(engine::summarizeRun(outcome));
  }

 private:
  RunSurface& surface_;
};

engine::RunInputs inputsOf(const RunRequest& request) {
  engine::RunInputs inputs;
  inputs.databasePath = request.databasePath;
  inputs.password = request.password;
  for (const TableEntry& entry : request.tables)
    inputs.tables.push_back({entry.name, entry.selected});
  inputs.currentIndex = request.currentIndex;
  inputs.tabIndex = request.tabIndex;
  inputs.findText = request.findText;
  inputs.replaceText = request.replaceText;
  inputs.sets = request.sets;
  inputs.match = request.match;
  inputs.columns = request.columns;
  return inputs;
}

std::tm localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

EngineRunner::EngineRunner(engine::EnvLookup env) : env_(std::move(env)) {
  if (!env_) env_ = [](const char* name) -> const char* { return std::getenv(name); };
}

void EngineRunner::run(const RunRequest& request, RunSurface& surface) {
  SurfaceBridge bridge(surface);
  engine::RunContext context{bridge, bridge, bridge, bridge};
  context.progress = &bridge;
  context.env = env_;
  context.clock = localNow;
  context.formats = engine::TextFormats::fromEnvironment();
  engine::runReplacement(inputsOf(request), context);
}

}  // namespace ui
