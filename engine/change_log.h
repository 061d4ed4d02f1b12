// change_log.h: the run's append-only change log, backups.log in the folder that TEMP names
// (else TMPDIR, else /tmp). One line per replacement, CR LF ended, written before the change.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "jet/core/status.h"

namespace engine {

// Reads an environment variable; empty optional-like result when unset. Injected for tests.
using EnvLookup = std::function<const char*(const char*)>;

std::string changeLogPath(const EnvLookup& env);

// The local date and time now, as the log's timestamps take it: the time zone is consulted once
// a second, not once a line.
std::tm localTimeNow();

// "[<timestamp>] - <find> was replace to <replace> at table (<table>) and column (<column>)"
std::string changeLogLine(std::string_view timestamp, std::string_view find,
                          std::string_view replace, std::string_view table,
                          std::string_view column);

// One open file for a whole run. Lines are gathered and written in large pieces; sync() writes
// and makes durable the lines so far, and the run calls it before each batch of database changes
// is committed, so no change is ever on disk without its log line. A failed write leaves the file
// open and the unwritten lines kept, so that a later sync can still try them.
class ChangeLog {
 public:
  ChangeLog() = default;
  ChangeLog(const ChangeLog&) = delete;
  ChangeLog& operator=(const ChangeLog&) = delete;
  ~ChangeLog();

  jet::Status open(const std::string& path);
  jet::Status append(std::string_view line);
  jet::Status sync();
  // Writes the gathered lines without waiting for the disk: for lines no commit follows (their
  // changes were all skipped), so that a failure to write them is still heard of.
  jet::Status flush() { return fd_ < 0 ? jet::Status() : writePending(); }
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  static constexpr std::size_t kWriteSize = 64 * 1024;
  jet::Status writePending();  // the gathered lines to the file

  int fd_ = -1;
  std::string path_;
  std::string pending_;  // lines not yet written
};

}  // namespace engine
