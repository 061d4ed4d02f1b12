// program_test_support.h: runs fieldmend-cli in-process, as a test sees it: the exit code and
// what went to standard output and standard error, at a fixed time of day. Not part of the
// library.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "engine/run_test_support.h"

namespace cli::testing {

struct ProgramOutcome {
  int code;
  std::string out;
  std::string err;
};

inline ProgramOutcome runProgram(std::vector<std::string> args) {
  std::ostringstream out, err;
  CommandContext context{out, err, &jet::Database::open};
  context.clock = engine::testing::fixedClock;
  int code = Program().run(args, context);
  return {code, out.str(), err.str()};
}

}  // namespace cli::testing
