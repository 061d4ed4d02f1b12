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

// One write per line, so that nothing of it waits in a buffer: what was written is in the file.
jet::Status ChangeLog::append(std::string_view line) {
  if (fd_ < 0) return jet::Error{jet::err::kIo, "the change log " + path_ + " is not open"};
  std::string whole;
  whole.reserve(line.size() + 2);
  whole.append(line).append("\r\n");
  std::string_view rest = whole;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ioError("write", path_);
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

jet::Status ChangeLog::sync() {
  if (fd_ < 0) return {};
  if (::fdatasync(fd_) != 0) return ioError("sync", path_);
  return {};
}

void ChangeLog::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace engine
