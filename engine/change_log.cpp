// change_log.cpp: appending and syncing the change log.
#include "engine/change_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/core/error_codes.h"

namespace engine {
namespace {

jet::Error ioError(const std::string& what, const std::string& path) {
  return jet::Error{jet::err::kIo, "cannot " + what + " the change log " + path + ": " +
                                       std::strerror(errno)};
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
  line.reserve(64 + timestamp.size() + find.size() + replace.size() + table.size() +
               column.size());
  line.append("[").append(timestamp).append("] - ").append(find);
  line.append(" was replace to ").append(replace);
  line.append(" at table (").append(table).append(") and column (").append(column).append(")");
  return line;
}

ChangeLog::~ChangeLog() { close(); }

jet::Status ChangeLog::open(const std::string& path) {
  close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "ab");
  if (file_ == nullptr) return ioError("open", path);
  return {};
}

jet::Status ChangeLog::append(std::string_view line) {
  if (file_ == nullptr) {
    errno = EBADF;
    return ioError("write", path_);
  }
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fwrite("\r\n", 1, 2, file_) != 2 || std::fflush(file_) != 0) {
    return ioError("write", path_);
  }
  return {};
}

jet::Status ChangeLog::sync() {
  if (file_ == nullptr) return {};
  if (std::fflush(file_) != 0 || ::fdatasync(::fileno(file_)) != 0) return ioError("sync", path_);
  return {};
}

void ChangeLog::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

}  // namespace engine
