// progress_bar.h: the replacement run's progress drawn on a terminal (standard error): the table,
// rows done of rows, and a bar, redrawn in place only when the shown percentage changes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/replacement_run.h"

namespace cli {

class ProgressBar : public engine::ProgressSink {
 public:
  explicit ProgressBar(std::ostream& out) : out_(out) {}
  ~ProgressBar() override;

  void progress(const engine::RunProgress& where) override;
  bool cancelRequested() override { return false; }
  // Ends the bar's line, if one is drawn.
  void finish();

 private:
  std::ostream& out_;
  std::string table_;
  int shown_ = -1;
  bool drawn_ = false;
};

// The line the bar draws: "table  row/rows  [#####.....]  50%" (the bar 20 wide).
std::string progressLine(const engine::RunProgress& where);

}  // namespace cli
