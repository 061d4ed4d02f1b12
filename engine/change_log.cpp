// change_log.cpp: appending and syncing the change log.
#include "engine/change_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/core/error_codes.h"

namespace engine {
namespace {

jet::Error ioError(const std::string& what, const std::string& path) {
  return jet::Error{jet::err::kIo,
                    "cannot " + what + " the change log " + path + ": " + std::strerror(errno)};
}

}  // namespace

std::string changeLogPath(const EnvLookup& env) {
  std::string folder;
  for (const char* name : {"TEMP", "TMPDIR"}) {
    const char* v = env(name);
    if (v != nullptr && *v != '\0') {
      folder = v;
      break;
    }
  }
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder + "backups.log";
}

std::tm localTimeNow() {
  thread_local std::time_t last = -1;
  thread_local std::tm local{};
  const std::time_t now = std::time(nullptr);
  if (now != last) {
    localtime_r(&now, &local);
    last = now;
  }
  return local;
}

std::string changeLogLine(std::string_view timestamp, std::string_view find,
                          std::string_view replace, std::string_view table,
                          std::string_view column) {
  std::string line;
  line.reserve(64 + timestamp.size() + find.size() + replace.size() + table.size() + column.size());
  line.append("[").append(timestamp).append("] - ").append(find);
  line.append(" was replace to ").append(replace);
  line.append(" at table (").append(table).append(") and column (").append(column).append(")");
  return line;
}

ChangeLog::~ChangeLog() { close(); }

jet::Status ChangeLog::open(const std::string& path) {
  close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return ioError("open", path_);
  return {};
}

// Lines gather in memory and go to the file in large writes: at each sync (before every commit
// of database changes), when enough have gathered, and at close.
jet::Status ChangeLog::append(std::string_view line) {
  if (fd_ < 0) return jet::Error{jet::err::kIo, "the change log " + path_ + " is not open"};
  pending_.append(line).append("\r\n");
  if (pending_.size() >= kWriteSize) return writePending();
  return {};
}

jet::Status ChangeLog::writePending() {
  std::string_view rest = pending_;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int reason = errno;
      pending_.erase(0, pending_.size() - rest.size());
      errno = reason;
      return ioError("write", path_);
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  pending_.clear();
  return {};
}

jet::Status ChangeLog::sync() {
  if (fd_ < 0) return {};
  JET_TRY(writePending());
  if (::fdatasync(fd_) != 0) return ioError("sync", path_);
  return {};
}

void ChangeLog::close() {
  if (fd_ >= 0) {
    (void)writePending();
    ::close(fd_);
    fd_ = -1;
  }
  pending_.clear();
}

}  // namespace engine
