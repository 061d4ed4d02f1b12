// engine_runner.h: the product's replacement run: the engine's run over the database, told of
// the window through its surface. The change log goes where the environment's TEMP says.
#pragma once

#include "engine/change_log.h"
#include "ui/replacement_runner.h"

namespace ui {

class EngineRunner : public ReplacementRunner {
 public:
  // `env` gives the environment (TEMP...); the default is the process's own.
  explicit EngineRunner(engine::EnvLookup env = {});
  void run(const RunRequest& request, RunSurface& surface) override;
  void preview(const RunRequest& request, PreviewSurface& surface) override;
  void undo(const RunRequest& request, const std::string& undoPath,
            RunSurface& surface) override;

 private:
  engine::EnvLookup env_;
};

}  // namespace ui
