// many_files.cpp: the file list and the workers. Each worker takes the next file, runs the
// command on it into its own buffers, and the caller prints the buffers in file order as they
// complete, so output stays in order and only the files being worked on are held.
#include "cli/many_files.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "cli/quoting.h"
#include "jet/core/error_codes.h"

namespace cli {
namespace {

bool isDatabaseName(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".mdb" || ext == ".accdb";
}

struct FileRun {
  std::ostringstream out;
  std::ostringstream err;
  int code = 0;
  bool done = false;
};

}  // namespace

jet::Result<std::vector<std::string>> filesToWorkOn(const Arguments& args) {
  std::vector<std::string> files = args.positional;
  for (const std::string& folder : args.all("recursive")) {
    std::error_code ec;
    std::vector<std::string> found;
    auto it = std::filesystem::recursive_directory_iterator(
        folder, std::filesystem::directory_options::skip_permission_denied, ec);
    if (ec) return jet::Error{jet::err::kIo, "cannot read the folder " + folder + ": " + ec.message()};
    for (; it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) return jet::Error{jet::err::kIo, "cannot read below " + folder + ": " + ec.message()};
      if (it->is_regular_file(ec) && isDatabaseName(it->path())) found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

int runOnEveryFile(std::string_view command, const std::vector<std::string>& files,
                   const Arguments& args, CommandContext& context,
                   const std::function<int(const Arguments&, CommandContext&)>& runOne) {
  std::size_t jobs = std::max(1u, std::thread::hardware_concurrency());
  if (args.values.contains("jobs")) {
    const std::string text = args.value("jobs");
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < 1) {
      context.err << kProgramName << ": " << command << ": -j needs a number of files from 1, not \""
                  << oneLine(text) << "\"\n";
      return kExitUsage;
    }
    jobs = static_cast<std::size_t>(std::stoi(text));
  }
  jobs = std::min(jobs, files.size());

  std::vector<FileRun> runs(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable doneOne;
  auto work = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      FileRun& run = runs[i];
      CommandContext one{run.out, run.err, context.openDatabase};
      one.env = context.env;
      one.clock = context.clock;
      one.outIsTerminal = context.outIsTerminal;  // no progress bars or prompts from workers
      Arguments single = args;
      single.positional = {files[i]};
      int code = runOne(single, one);
      std::lock_guard lock(mutex);
      run.code = code;
      run.done = true;
      doneOne.notify_all();
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t j = 0; j < jobs; ++j) workers.emplace_back(work);

  const bool json = args.flag("json");
  int worst = kExitOk;
  for (std::size_t i = 0; i < files.size(); ++i) {
    {
      std::unique_lock lock(mutex);
      doneOne.wait(lock, [&] { return runs[i].done; });
    }
    FileRun& run = runs[i];
    if (!json) context.out << "==> " << oneLine(files[i]) << " <==\n";
    context.out << run.out.str();
    if (json) {
      context.out << "{\"file\":" << jsonString(files[i]) << ",\"exit\":" << run.code << "}\n";
    }
    std::istringstream err(run.err.str());
    for (std::string line; std::getline(err, line);) {
      context.err << oneLine(files[i]) << ": " << line << '\n';
    }
    worst = std::max(worst, run.code);
    run.out.str({});
    run.err.str({});
  }
  for (std::thread& t : workers) t.join();
  if (!json) {
    context.out << "==> " << files.size() << " files <==\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
      context.out << oneLine(files[i]) << ": "
                  << (runs[i].code == kExitOk ? "ok" : "exit " + std::to_string(runs[i].code))
                  << '\n';
    }
  }
  return worst;
}

}  // namespace cli
