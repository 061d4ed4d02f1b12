// arguments.cpp: splitting a command's words into positional arguments and options.
#include "cli/arguments.h"

#include <algorithm>

namespace cli {
namespace {

constexpr std::int32_t kUsageError = 2;  // only the description is shown; the number is unused

jet::Error usage(std::string description) {
  return jet::Error{kUsageError, std::move(description)};
}

const OptionRule* findOption(const AcceptedArguments& accepted, std::string_view name) {
  auto it = std::find_if(accepted.options.begin(), accepted.options.end(),
                         [&](const OptionRule& o) { return o.name == name; });
  return it == accepted.options.end() ? nullptr : &*it;
}

// Reads the option at args[i] (which starts with "-"), consuming its value when it takes one.
jet::Status readOption(std::span<const std::string> args, std::size_t& i,
                       const AcceptedArguments& accepted, Arguments& out) {
  const std::string& word = args[i];
  if (word == "--help" || word == "-h") {
    out.help = true;
    return jet::Status::success();
  }
  if (word.size() < 3 || word.rfind("--", 0) != 0) return usage("unknown option " + word);
  const std::size_t equals = word.find('=');
  const std::string name =
      word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
  const OptionRule* option = findOption(accepted, name);
  if (option == nullptr) return usage("unknown option --" + name);
  if (!option->takesValue) {
    if (equals != std::string::npos) return usage("option --" + name + " takes no value");
    out.flags.insert(name);
    return jet::Status::success();
  }
  if (equals != std::string::npos) {
    out.values[name] = word.substr(equals + 1);
  } else if (i + 1 < args.size()) {
    out.values[name] = args[++i];
  } else {
    return usage("option --" + name + " needs a value");
  }
  out.repeated[name].push_back(out.values[name]);
  return jet::Status::success();
}

}  // namespace

std::string Arguments::value(std::string_view name, std::string_view fallback) const {
  auto it = values.find(name);
  return it == values.end() ? std::string(fallback) : it->second;
}

std::vector<std::string> Arguments::all(std::string_view name) const {
  auto it = repeated.find(name);
  return it == repeated.end() ? std::vector<std::string>() : it->second;
}

jet::Result<Arguments> parseArguments(std::span<const std::string> args,
                                      const AcceptedArguments& accepted) {
  Arguments out;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && accepted.manyFiles && word == "-j") {
      if (i + 1 == args.size()) return usage("option -j needs a value");
      out.values["jobs"] = args[++i];
    } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
      JET_TRY(readOption(args, i, accepted, out));
    } else {
      out.positional.push_back(word);
    }
  }
  if (out.help || accepted.manyFiles) return out;
  if (out.positional.size() < accepted.positional.size())
    return usage("missing " + accepted.positional[out.positional.size()]);
  if (out.positional.size() > accepted.positional.size())
    return usage("unexpected argument \"" + out.positional[accepted.positional.size()] + "\"");
  return out;
}

}  // namespace cli
