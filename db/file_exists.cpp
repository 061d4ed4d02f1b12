// file_exists.cpp: the existence test through stat(), whose errno is put back as it was.
#include "db/file_exists.h"

#include <sys/stat.h>

#include <cerrno>

namespace db {

bool fileExists(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  int saved = errno;
  struct stat info {};
  bool found = ::stat(path.c_str(), &info) == 0;
  errno = saved;
  return found;
}

}  // namespace db
