// set_file.cpp: writing, reading and loading set files.

#include "sets/set_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "sets/text_decode.h"

namespace sets {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kTempNameTries = 100;

std::string errnoText(int code) { return std::generic_category().message(code); }

Error saveError(std::int32_t number, const std::string& path, const std::string& reason) {
  return Error{number, "Cannot save the sets to " + path + ": " + reason + "."};
}

Error readError(std::int32_t number, const std::string& path, const std::string& reason) {
  return Error{number, "Cannot read sets from " + path + ": " + reason + "."};
}

std::string formatSetFile(const SetList& list) {
  std::string content;
  for (const ReplacementSet& set : list.all()) {
    content.append(set.find).append(kSetSeparator).append(set.replace).append(kLineEnd);
  }
  return content;
}

// Creates a file beside `target` that did not exist before; returns its path, or an empty path
// with `reason` set.
fs::path createTempBeside(const fs::path& target, std::FILE*& file, std::string& reason) {
  const std::string stem = "." + target.filename().string() + ".saving-";
  for (int n = 0; n < kTempNameTries; ++n) {
    fs::path candidate = target;
    candidate.replace_filename(stem + std::to_string(n));
    file = std::fopen(candidate.c_str(), "wbx");
    if (file != nullptr) return candidate;
    if (errno != EEXIST) break;
  }
  reason = errnoText(errno);
  return {};
}

// Writes `content` to a fresh file and closes it; false with `reason` set on any failure.
bool writeAndClose(std::FILE* file, std::string_view content, std::string& reason) {
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                       std::fflush(file) == 0;
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  reason = errnoText(written ? errno : writeErrno);
  return false;
}

Status replaceWith(const std::string& path, const fs::path& target, std::string_view content,
                   bool keepPermissions) {
  std::FILE* file = nullptr;
  std::string reason;
  const fs::path temp = createTempBeside(target, file, reason);
  if (temp.empty()) return saveError(err::kFileIo, path, reason);
  if (!writeAndClose(file, content, reason)) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return saveError(err::kFileIo, path, reason);
  }
  std::error_code ec;
  if (keepPermissions) {
    const fs::perms perms = fs::status(target, ec).permissions();
    if (!ec) fs::permissions(temp, perms, ec);  // a failure only leaves the default permissions
  }
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return saveError(err::kFileIo, path, ec.message());
  }
  return {};
}

Result<std::string> readAllBytes(const std::string& path, std::uintmax_t expected) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return readError(err::kFileIo, path, errnoText(errno));
  std::string bytes(static_cast<std::size_t>(expected), '\0');
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (failed) return readError(err::kFileIo, path, errnoText(readErrno));
  bytes.resize(got);  // the file shrank while it was read: take what is there
  return bytes;
}

}  // namespace

std::string overwriteQuestion(const std::string& path) {
  return "Are you sure you wish to overwrite " + path + " ?";
}

Result<SaveOutcome> writeSetFile(const std::string& path, const SetList& list, Prompter& prompter) {
  if (path.empty()) return Error{err::kEmptyInput, "No file name was given to save the sets to."};
  std::error_code ignored;  // a path that cannot be examined counts as no file there
  const fs::file_status status = fs::status(path, ignored);
  if (fs::is_directory(status)) return saveError(err::kNotAFile, path, "it is a folder");
  const bool exists = fs::exists(status);
  if (exists) {
    // A file we may not write stays as it is, even though the folder would let us replace it.
    std::FILE* probe = std::fopen(path.c_str(), "r+b");
    if (probe == nullptr) return saveError(err::kFileIo, path, errnoText(errno));
    std::fclose(probe);
    if (!prompter.askYesNo(overwriteQuestion(path))) return SaveOutcome::kDeclined;
  }
  // Through a link, the file it points to is replaced, not the link.
  std::error_code ec;
  const fs::path target = exists ? fs::canonical(path, ec) : fs::path(path);
  if (ec) return saveError(err::kFileIo, path, ec.message());
  const Status replaced = replaceWith(path, target, formatSetFile(list), exists);
  if (!replaced) return replaced.error();
  return SaveOutcome::kSaved;
}

Result<FileText> readWholeFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) return FileText{};
  if (fs::is_directory(status)) return readError(err::kNotAFile, path, "it is a folder");
  if (!fs::is_regular_file(status)) {
    return readError(err::kNotAFile, path, "it is not an ordinary file");
  }
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return readError(err::kFileIo, path, ec.message());
  if (size == 0) return FileText{std::string(kEmptyFileMarker), true};
  if (size > kMaxSetFileBytes) {
    return readError(err::kFileTooLarge, path,
                     "it has " + std::to_string(size) + " bytes, more than a set file may have (" +
                         std::to_string(kMaxSetFileBytes) + ")");
  }
  Result<std::string> bytes = readAllBytes(path, size);
  if (!bytes) return bytes.error();
  return FileText{decodeSetFileText(*bytes), false};
}

std::vector<ReplacementSet> parseSetText(std::string_view text, std::string_view separator) {
  std::string withoutCr;
  withoutCr.reserve(text.size());
  for (char c : text) {
    if (c != '\r') withoutCr.push_back(c);
  }
  std::vector<ReplacementSet> found;
  std::string_view rest = withoutCr;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (std::optional<ReplacementSet> set = splitSet(line, separator)) {
      found.push_back(std::move(*set));
    }
  }
  return found;
}

Status loadSetFile(const std::string& path, std::string_view separator, SetList& list) {
  if (separator.empty()) {
    return Error{err::kEmptyInput, "No separator was given for loading the sets of " + path + "."};
  }
  Result<FileText> file = readWholeFile(path);
  if (!file) return file.error();
  if (file->isEmptyFileMarker) return {};
  const std::vector<ReplacementSet> found = parseSetText(file->text, separator);
  const Status appended = list.appendAll(found);
  if (!appended) {
    return Error{appended.number(),
                 "Cannot load the sets of " + path + ": " + appended.description()};
  }
  return {};
}

}  // namespace sets
