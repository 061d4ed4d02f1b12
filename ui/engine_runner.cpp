// engine_runner.cpp: the window's surface seen as the run's notices, pointer, event pump,
// progress sink and error reporter; the run's outcome reaches it in words.
#include "ui/engine_runner.h"

#include <cstdlib>
#include <ctime>
#include <memory>

#include "db/connection.h"
#include "db/connection_string.h"
#include "engine/change_log.h"
#include "engine/replacement_run.h"
#include "engine/run_summary.h"
#include "engine/undo_file.h"
#include "engine/undo_run.h"

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
    engine::RunSummary summary = engine::summarizeRun(outcome);
    // The run has let the file go: the undo file can record it as the run left it.
    std::string undoPath;
    if (undo_ != nullptr && undo_->created()) {
      if (jet::Status done = undo_->finish(); done.ok()) {
        undoPath = undo_->path();
        summary.details.push_back("Undo file: " + undoPath);
      } else {
        summary.details.push_back(done.description());
      }
    } else if (!undoNote_.empty() && outcome.started) {
      summary.details.push_back(undoNote_);
    }
    surface_.finished(summary);
    if (!undoPath.empty()) surface_.undoAvailable(undoPath);
  }
  void setUndoFile(engine::UndoFileWriter* undo, std::string note) {
    undo_ = undo;
    undoNote_ = std::move(note);
  }

 private:
  RunSurface& surface_;
  engine::UndoFileWriter* undo_ = nullptr;
  std::string undoNote_;
};

// The preview window seen as a dry run's surroundings; each change reaches it with its row.
class PreviewBridge : public db::ErrorReporter,
                      public engine::NoticeBox,
                      public engine::PointerControl,
                      public engine::EventPump,
                      public engine::ProgressSink,
                      public engine::RunObserver {
 public:
  explicit PreviewBridge(PreviewSurface& surface) : surface_(surface) {}
  void report(const db::ErrorReport& report) override { surface_.report(report); }
  void showNotice(const std::string& text) override {
    if (text != engine::kDone) surface_.notice(text);
  }
  void setPointerMode(engine::PointerMode) override {}
  void processEventsOnce() override {}
  void progress(const engine::RunProgress& where) override {
    surface_.progress(where.table, where.row, where.rows);
  }
  bool cancelRequested() override { return surface_.cancelRequested(); }
  void finished(const engine::RunOutcome& outcome) override {
    surface_.finished(engine::summarizeRun(outcome, true));
  }
  void changed(const engine::FieldChange& change) override {
    if (change.record == nullptr) return;
    if (!namer_ || table_ != change.table) {
      namer_ = std::make_unique<engine::RowNamer>(change.record->table());
      table_ = std::string(change.table);
    }
    surface_.change(change, namer_->name(*change.record));
  }
  void skipped(const engine::SkippedChange&) override {}

 private:
  PreviewSurface& surface_;
  std::unique_ptr<engine::RowNamer> namer_;
  std::string table_;
};

// An undo's progress and the cells the user must hear of (the first few, in words).
class UndoBridge : public engine::ProgressSink, public engine::CellObserver {
 public:
  static constexpr std::size_t kListed = 20;
  explicit UndoBridge(RunSurface& surface) : surface_(surface) {}
  void progress(const engine::RunProgress& where) override {
    surface_.progress(where.table, where.row, where.rows);
  }
  bool cancelRequested() override { return surface_.cancelRequested(); }
  void cell(const engine::CellReport& c) override {
    if (c.fate == engine::CellFate::kMade || c.fate == engine::CellFate::kAlreadyMade) return;
    if (++leftAlone_ > kListed) return;
    std::string line = "Left alone: " + std::string(c.table) + "." + std::string(c.column) +
                       " [" + c.row->text() + "]: ";
    if (c.reason != nullptr) {
      line += c.reason->description;
    } else {
      line += "it holds \"" + std::string(c.found) + "\", not \"" + std::string(c.expected) +
              "\"";
    }
    lines.push_back(line);
  }
  std::vector<std::string> lines;
  std::uint64_t leftAlone() const { return leftAlone_; }

 private:
  RunSurface& surface_;
  std::uint64_t leftAlone_ = 0;
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

std::tm localNow() { return engine::localTimeNow(); }

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
  context.accept = request.accept;
  const engine::RunInputs inputs = inputsOf(request);
  // The undo file goes beside the change log; none for a protected database, whose values it
  // would hold in plain text.
  std::unique_ptr<engine::UndoFileWriter> undo;
  std::string note;
  auto connection = db::Connection::open(
      db::buildConnectionString(request.databasePath, request.password), db::ConnectionMode::kRead);
  if (connection.ok()) {
    if (engine::databaseIsProtected((*connection)->header())) {
      note = "No undo file was written: the database is protected by a password or encryption, "
             "and an undo file would hold its values in plain text.";
    } else {
      std::vector<engine::ReplacementSet> pairs =
          inputs.tabIndex == engine::kMultipleTab
              ? inputs.sets
              : std::vector<engine::ReplacementSet>{{inputs.findText, inputs.replaceText}};
      undo = std::make_unique<engine::UndoFileWriter>(
          engine::defaultUndoPath(engine::changeLogPath(env_), localNow()), false,
          request.databasePath, std::move(pairs));
    }
    (*connection).reset();  // the run opens its own
  }
  bridge.setUndoFile(undo.get(), note);
  context.recorder = undo.get();
  engine::runReplacement(inputs, context);
}

void EngineRunner::preview(const RunRequest& request, PreviewSurface& surface) {
  PreviewBridge bridge(surface);
  engine::RunContext context{bridge, bridge, bridge, bridge};
  context.progress = &bridge;
  context.observer = &bridge;
  context.env = env_;
  context.clock = localNow;
  context.formats = engine::TextFormats::fromEnvironment();
  context.dryRun = true;
  engine::runReplacement(inputsOf(request), context);
}

void EngineRunner::undo(const RunRequest& request, const std::string& undoPath,
                        RunSurface& surface) {
  UndoBridge bridge(surface);
  engine::ApplyContext context;
  context.progress = &bridge;
  context.observer = &bridge;
  context.env = env_;
  context.clock = localNow;
  context.formats = engine::TextFormats::fromEnvironment();
  surface.setBusy(true);
  const engine::ApplyOutcome outcome =
      engine::runUndo(request.databasePath, request.password, undoPath, context);
  surface.setBusy(false);
  if (!outcome.recoveryNotice.empty()) surface.notice(outcome.recoveryNotice);
  const std::vector<std::string> lines =
      engine::describeOutcome(outcome, engine::Direction::kBack, false);
  engine::RunSummary summary;
  summary.headline = lines.front();
  summary.details = outcome.notes;
  summary.details.insert(summary.details.end(), lines.begin() + 1, lines.end());
  summary.details.insert(summary.details.end(), bridge.lines.begin(), bridge.lines.end());
  if (bridge.leftAlone() > UndoBridge::kListed) {
    summary.details.push_back("... and " + std::to_string(bridge.leftAlone() - UndoBridge::kListed) +
                              " more left alone");
  }
  surface.finished(summary);
  surface.processEventsOnce();
}

}  // namespace ui
