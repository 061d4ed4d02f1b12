// many_files.h: one command over several databases: the files named, and every .mdb and .accdb
// below --recursive DIR, N at a time (-j N; one per core by default). Each file is worked on as
// if it were the only one; a file that fails is reported and the others go on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/command.h"

namespace cli {

// The files a command works on, in order: the positional ones, then those below --recursive
// (sorted). An error names a folder that cannot be read.
jet::Result<std::vector<std::string>> filesToWorkOn(const Arguments& args);

// Runs `runOne` for every file with its own streams, and prints each file's output in file order,
// headed by its name (text) or followed by {"file": …, "exit": …} (--json), then one line per
// file. The exit status is the worst of the files'.
int runOnEveryFile(std::string_view command, const std::vector<std::string>& files,
                   const Arguments& args, CommandContext& context,
                   const std::function<int(const Arguments&, CommandContext&)>& runOne);

}  // namespace cli
