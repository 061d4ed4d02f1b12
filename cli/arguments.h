// arguments.h: the command line of one command split into positional arguments and options,
// checked against what the command accepts. Knows nothing of what the options mean.
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/core/status.h"

namespace cli {

// One option a command accepts: "--name VALUE" (or "--name=VALUE") when it takes a value, else
// the flag "--name".
struct OptionRule {
  std::string name;  // without the leading dashes
  bool takesValue = false;
};

struct AcceptedArguments {
  std::vector<std::string> positional;  // names of the required positional arguments, in order
  std::vector<OptionRule> options;      // "--help" and "-h" are always accepted
  // The command takes several files (or none, given --recursive): the positional count is left
  // to the command. "-j N" stands for "--jobs N".
  bool manyFiles = false;
};

struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> values;  // options with a value (the last)
  std::map<std::string, std::vector<std::string>, std::less<>> repeated;  // every value, in order
  std::set<std::string, std::less<>> flags;                               // options without one
  bool help = false;

  bool flag(std::string_view name) const { return flags.contains(name); }
  // The option's value, or `fallback` when it was not given.
  std::string value(std::string_view name, std::string_view fallback = {}) const;
  // Every value the option was given, in command-line order (it may be repeated).
  std::vector<std::string> all(std::string_view name) const;
};

// Splits `args` (the words after the command's name). "--" ends the options. An error names the
// word at fault: an unknown option, a missing value, a missing or extra argument. With --help the
// positional arguments are not checked.
jet::Result<Arguments> parseArguments(std::span<const std::string> args,
                                      const AcceptedArguments& accepted);

}  // namespace cli
