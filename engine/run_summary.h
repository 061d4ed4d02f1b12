// run_summary.h: what a finished run did, in words: how it ended, per table the values changed,
// the skipped changes by reason with the first table and column each hit, and where the change
// log went. The main window and the command line show the same text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/replacement_run.h"

namespace engine {

struct RunSummary {
  std::string headline;              // one sentence: how the run ended and what it changed
  std::vector<std::string> details;  // the tables, then the skip reasons, then the change log
};

// `dryRun`: the run changed and logged nothing, and the counts are what it would have done.
RunSummary summarizeRun(const RunOutcome& outcome, bool dryRun = false);

// The headline and the details, one a line, each ended by LF.
std::string summaryText(const RunSummary& summary);

// Why a change was skipped, in words ("too long for the column"); the description itself for a
// failure without words of its own.
std::string skipReasonInWords(std::int32_t number, const std::string& description);

}  // namespace engine
