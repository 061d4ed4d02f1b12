// progress_bar.cpp: drawing the run's progress in place with carriage returns.
#include "cli/progress_bar.h"

#include "cli/stream_error_reporter.h"

namespace cli {
namespace {

constexpr int kBarWidth = 20;

int percent(const engine::RunProgress& where) {
  if (where.rows == 0) return 100;
  return static_cast<int>(where.row * 100 / where.rows);
}

}  // namespace

std::string progressLine(const engine::RunProgress& where) {
  int p = percent(where);
  int filled = p * kBarWidth / 100;
  std::string line = terminalSafe(where.table) + "  " + std::to_string(where.row) + "/" +
                     std::to_string(where.rows) + "  [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  return line + "]  " + std::to_string(p) + "%";
}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::progress(const engine::RunProgress& where) {
  int p = percent(where);
  if (where.table == table_ && p == shown_) return;
  if (where.table != table_ && drawn_) finish();
  table_ = std::string(where.table);
  shown_ = p;
  out_ << '\r' << progressLine(where) << "\x1b[K" << std::flush;
  drawn_ = true;
}

void ProgressBar::finish() {
  if (!drawn_) return;
  out_ << '\n' << std::flush;
  drawn_ = false;
}

}  // namespace cli
