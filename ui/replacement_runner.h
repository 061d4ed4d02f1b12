// replacement_runner.h: a replacement run ("Start Replacing") as the main window hands it over:
// its inputs as the window holds them, and the window surface it talks back through (error
// reports, notices, the pointer, the one event pass at the end, progress, Cancel, and what the run
// did).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/error_report.h"
#include "engine/column_choice.h"
#include "engine/matcher.h"
#include "engine/replacement.h"
#include "engine/row_identity.h"
#include "engine/run_summary.h"

namespace ui {

struct TableEntry {
  std::string name;
  bool selected = false;
};

// What the run reads from the windows when "Start Replacing" is pressed. Holds the password:
// never print or log it.
struct RunRequest {
  std::string databasePath;
  std::string password;
  std::vector<TableEntry> tables;  // every entry of the table list, in list order
  int currentIndex = -1;           // the table list's current entry, -1 for none
  int tabIndex = 0;                // 0 single, 1 sets; any other index does nothing per field
  std::string findText;
  std::string replaceText;
  std::vector<engine::ReplacementSet> sets;
  engine::MatchOptions match;  // the window's match option boxes
  engine::ColumnChoice columns;  // from "Columns…"; every column when it names no table
  // Asked before each change; false leaves it unmade (the changes unticked in a preview).
  std::function<bool(const engine::FieldChange&)> accept;
};

class RunSurface {
 public:
  virtual ~RunSurface() = default;
  virtual void report(const db::ErrorReport& report) = 0;  // modal; returns after OK
  virtual void notice(const std::string& text) = 0;        // "Please select a table", "Done."
  virtual void setBusy(bool busy) = 0;                     // the hourglass, and back
  virtual void processEventsOnce() = 0;
  // Before each row of a selected table, and with row == rows when it is done.
  virtual void progress(std::string_view table, std::uint64_t row, std::uint64_t rows) = 0;
  // Asked between rows; true stops the run there. What was changed stays changed.
  virtual bool cancelRequested() = 0;
  // What the run did, once it has ended (cancelled or not) and before "Done." is shown.
  virtual void finished(const engine::RunSummary& summary) = 0;
  // After finished(), when the run wrote an undo file: where it is, to take the run back.
  virtual void undoAvailable(const std::string& /*undoPath*/) {}
};

// A preview as the preview window takes it: each change the run would make, as it is found.
class PreviewSurface {
 public:
  virtual ~PreviewSurface() = default;
  virtual void report(const db::ErrorReport& report) = 0;
  virtual void notice(const std::string& text) = 0;  // "Please select a table", recovery
  virtual void progress(std::string_view table, std::uint64_t row, std::uint64_t rows) = 0;
  virtual bool cancelRequested() = 0;
  virtual void change(const engine::FieldChange& change, const engine::RowIdentity& row) = 0;
  virtual void finished(const engine::RunSummary& summary) = 0;
};

class ReplacementRunner {
 public:
  virtual ~ReplacementRunner() = default;
  // The whole run, start to end, on the calling thread.
  virtual void run(const RunRequest& request, RunSurface& surface) = 0;
  // A dry run of the request, told to `surface`; changes nothing.
  virtual void preview(const RunRequest& /*request*/, PreviewSurface& /*surface*/) {}
  // Takes back the run whose undo file is `undoPath`, on the request's database; what it did
  // reaches surface.finished().
  virtual void undo(const RunRequest& /*request*/, const std::string& /*undoPath*/,
                    RunSurface& /*surface*/) {}
};

}  // namespace ui
