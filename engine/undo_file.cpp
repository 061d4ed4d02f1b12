// undo_file.cpp: writing the undo file as the run goes, and reading it back.
#include "engine/undo_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <filesystem>

#include "db/recordset.h"
#include "jet/core/error_codes.h"

namespace engine {
namespace {

constexpr std::size_t kBufferLimit = 64 * 1024;
constexpr char kMagic[] = "fieldmend-undo";
constexpr std::size_t kLongestWord = 16;
constexpr std::uint64_t kLongestNumber = 20;

void putString(std::string& out, std::string_view text) {
  out += std::to_string(text.size());
  out += ':';
  out.append(text);
}

void putNumber(std::string& out, std::uint64_t n) { out += std::to_string(n); }

// The fixed-width second line; its width never changes, so it can be rewritten in place.
std::string afterLine(const FileStamp& stamp, std::uint64_t changes, bool done) {
  char line[128];
  std::snprintf(line, sizeof line, "after %020" PRIu64 " %020" PRId64 " %09" PRId64 " %020" PRIu64
                                   " %s\n",
                stamp.size, stamp.seconds, stamp.nanoseconds, changes, done ? "done" : "open");
  return line;
}

std::string folderOf(const std::string& path) {
  std::filesystem::path p(path);
  std::string folder = p.parent_path().string();
  return folder.empty() ? "." : folder;
}

jet::Status syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {};  // a folder that cannot be opened cannot be synced either; not fatal
  ::fsync(fd);
  ::close(fd);
  return {};
}

}  // namespace

jet::Result<FileStamp> fileStamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return jet::Error{jet::err::kIo, "cannot read the size and time of " + path + ": " +
                                         std::strerror(errno)};
  }
  return FileStamp{static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  if (ec) return path;
  return p.string();
}

std::string defaultUndoPath(const std::string& logPath, const std::tm& now) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &now);
  std::string folder = folderOf(logPath);
  if (folder.back() != '/') folder += '/';
  return folder + "fieldmend-undo-" + stamp + ".undo";
}

bool databaseIsProtected(const jet::HeaderInfo& header) {
  return header.hasPassword || header.encodingKey != 0 ||
         (!header.encryption.empty() && header.encryption != "none");
}

// ---- Writing

UndoFileWriter::UndoFileWriter(std::string path, bool chosen, const std::string& databasePath,
                               std::vector<ReplacementSet> pairs)
    : path_(std::move(path)),
      chosen_(chosen),
      databasePath_(absolutePath(databasePath)),
      pairs_(std::move(pairs)) {}

UndoFileWriter::~UndoFileWriter() {
  if (fd_ >= 0) {
    (void)flush();
    ::close(fd_);
  }
}

jet::Error UndoFileWriter::ioError(const std::string& what) const {
  return jet::Error{jet::err::kIo,
                    "cannot " + what + " the undo file " + path_ + ": " + std::strerror(errno)};
}

jet::Status UndoFileWriter::create() {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  fd_ = ::open(path_.c_str(), flags, 0600);
  if (fd_ < 0 && errno == EEXIST && !chosen_) {
    // Another run began in the same second: the next free number.
    const std::string first = path_;
    const std::string stem = first.ends_with(".undo") ? first.substr(0, first.size() - 5) : first;
    for (int n = 2; fd_ < 0 && errno == EEXIST && n < 1000; ++n) {
      path_ = stem + "-" + std::to_string(n) + ".undo";
      fd_ = ::open(path_.c_str(), flags, 0600);
    }
  }
  if (fd_ < 0) {
    if (errno == EEXIST) {
      return jet::Error{jet::err::kIo, "the undo file " + path_ +
                                           " already exists; it may be needed to take back an "
                                           "earlier run, so choose another path"};
    }
    return ioError("create");
  }
  ::fchmod(fd_, 0600);  // whatever the umask: the file holds the database's values
  std::string head = std::string(kMagic) + " " + std::to_string(kUndoFileVersion) + "\n";
  head += afterLine(FileStamp{}, 0, false);
  head += "database ";
  putString(head, databasePath_);
  head += '\n';
  for (const ReplacementSet& pair : pairs_) {
    head += "pair ";
    putString(head, pair.find);
    head += ' ';
    putString(head, pair.replace);
    head += '\n';
  }
  buffer_.insert(0, head);
  JET_TRY(flush());
  if (::fdatasync(fd_) != 0) return ioError("sync");
  return syncFolder(folderOf(path_));
}

jet::Status UndoFileWriter::flush() {
  std::string_view rest = buffer_;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ioError("write");
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  buffer_.clear();
  return {};
}

jet::Status UndoFileWriter::put(const RecordedChange& change) {
  buffer_ += "change ";
  putNumber(buffer_, change.row.locator.page);
  buffer_ += ' ';
  putNumber(buffer_, change.row.locator.row);
  buffer_ += ' ';
  putNumber(buffer_, change.row.key.size());
  for (const KeyPart& part : change.row.key) {
    buffer_ += ' ';
    putString(buffer_, part.value);
  }
  buffer_ += ' ';
  putString(buffer_, change.column);
  buffer_ += ' ';
  putNumber(buffer_, change.applied.size());
  for (std::size_t m : change.applied) {
    buffer_ += ' ';
    putNumber(buffer_, m);
  }
  buffer_ += ' ';
  putString(buffer_, change.oldValue);
  buffer_ += ' ';
  putString(buffer_, change.newValue);
  buffer_ += '\n';
  ++changes_;
  if (buffer_.size() >= kBufferLimit) return flush();
  return {};
}

jet::Status UndoFileWriter::write(const RecordedChange& change,
                                  const std::vector<std::string>& keyColumns) {
  if (finished_) return jet::Error{jet::err::kIo, "the undo file " + path_ + " is closed"};
  if (fd_ < 0) JET_TRY(create());
  if (!tableWritten_ || change.table != table_) {
    table_ = change.table;
    tableWritten_ = true;
    buffer_ += "table ";
    putString(buffer_, table_);
    buffer_ += ' ';
    putNumber(buffer_, keyColumns.size());
    for (const std::string& column : keyColumns) {
      buffer_ += ' ';
      putString(buffer_, column);
    }
    buffer_ += '\n';
  }
  return put(change);
}

jet::Status UndoFileWriter::record(const RecordedChange& change,
                                   const std::vector<std::string>& keyColumns) {
  if (failure_) return *failure_;
  jet::Status done = write(change, keyColumns);
  if (!done.ok()) failure_ = done.error();
  return done;
}

jet::Status UndoFileWriter::recordChange(const FieldChange& change) {
  if (failure_) return *failure_;
  if (change.record == nullptr) {
    return jet::Error{jet::err::kIo, "a change without its record cannot be written to the undo "
                                     "file " + path_};
  }
  if (!namer_ || change.table != namedTable_) {
    namer_ = std::make_unique<RowNamer>(change.record->table());
    namedTable_ = std::string(change.table);
    keyColumns_.clear();
    for (std::size_t k : namer_->keyFields()) keyColumns_.push_back(change.record->fieldName(k));
  }
  scratch_.table.assign(change.table);
  scratch_.newValue.assign(change.newValue);
  scratch_.row = namer_->name(*change.record, change.field, &scratch_.newValue);
  scratch_.column.assign(change.column);
  scratch_.applied.clear();
  if (change.applied != nullptr) {
    scratch_.applied = *change.applied;
  } else {
    scratch_.applied.push_back(0);
  }
  scratch_.oldValue.assign(change.oldValue);
  return record(scratch_, keyColumns_);
}

void UndoFileWriter::changeNotMade() {
  if (fd_ < 0 || failure_) return;
  buffer_ += "void\n";
  --changes_;
}

jet::Status UndoFileWriter::sync() {
  if (failure_) return *failure_;
  if (fd_ < 0) return {};
  jet::Status done = flush();
  if (done.ok() && ::fdatasync(fd_) != 0) done = ioError("sync");
  if (!done.ok()) failure_ = done.error();
  return done;
}

jet::Status UndoFileWriter::finish() {
  if (fd_ < 0) return failure_ ? jet::Status(*failure_) : jet::Status();
  jet::Status done = sync();
  if (done.ok()) {
    auto stamp = fileStamp(databasePath_);
    if (!stamp.ok()) {
      done = stamp.error();
    } else {
      const std::string line = afterLine(*stamp, changes_, true);
      const off_t at = static_cast<off_t>(std::strlen(kMagic) + 1 +
                                          std::to_string(kUndoFileVersion).size() + 1);
      if (::pwrite(fd_, line.data(), line.size(), at) != static_cast<ssize_t>(line.size())) {
        done = ioError("finish");
      } else if (::fdatasync(fd_) != 0) {
        done = ioError("sync");
      }
    }
  }
  ::close(fd_);
  fd_ = -1;
  finished_ = true;
  return done;
}

// ---- Reading

jet::Result<std::unique_ptr<UndoFileReader>> UndoFileReader::open(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return jet::Error{jet::err::kIo,
                      "cannot open the undo file " + path + ": " + std::strerror(errno)};
  }
  std::unique_ptr<UndoFileReader> reader(new UndoFileReader(path, file));
  JET_TRY(reader->readHeader());
  return reader;
}

UndoFileReader::~UndoFileReader() { std::fclose(file_); }

jet::Error UndoFileReader::damaged(const std::string& what) const {
  return jet::Error{jet::err::kBadPage, path_ + " is not an undo file this program can read, or it "
                                                "is damaged (at byte " +
                                            std::to_string(at_) + "): " + what};
}

// A run of letters ended by a space or a line end (left unread); empty at the end of the file.
jet::Result<std::string> UndoFileReader::word() {
  if (nextWord_) {
    std::string w = std::move(*nextWord_);
    nextWord_.reset();
    return w;
  }
  std::string w;
  for (;;) {
    int c = std::getc(file_);
    if (c == EOF) break;
    if (c == ' ' || c == '\n') {
      std::ungetc(c, file_);
      break;
    }
    ++at_;
    w += static_cast<char>(c);
    if (w.size() > kLongestWord) return damaged("a word runs on");
  }
  return w;
}

jet::Result<std::uint64_t> UndoFileReader::number() {
  int c = std::getc(file_);
  if (c != ' ') return damaged("a number is missing");
  ++at_;
  std::uint64_t n = 0;
  std::size_t digits = 0;
  bool negative = false;
  while ((c = std::getc(file_)) != EOF) {
    if (c == '-' && digits == 0 && !negative) {
      negative = true;
      ++at_;
      continue;
    }
    if (c < '0' || c > '9') break;
    ++at_;
    if (++digits > kLongestNumber) return damaged("a number is too long");
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (c != EOF) std::ungetc(c, file_);
  if (digits == 0) return damaged("a number is missing");
  return negative ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(n)) : n;
}

jet::Result<std::string> UndoFileReader::string() {
  int c = std::getc(file_);
  if (c != ' ') return damaged("a text is missing");
  ++at_;
  std::uint64_t length = 0;
  std::size_t digits = 0;
  while ((c = std::getc(file_)) != EOF && c >= '0' && c <= '9') {
    ++at_;
    if (++digits > kLongestNumber) return damaged("a length is too long");
    length = length * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (c != ':' || digits == 0) return damaged("a text has no length");
  ++at_;
  std::string text;
  // Read in pieces so that a damaged length cannot ask for more memory than the file holds.
  char piece[4096];
  while (length > 0) {
    const std::size_t want = length < sizeof piece ? static_cast<std::size_t>(length) : sizeof piece;
    const std::size_t got = std::fread(piece, 1, want, file_);
    if (got == 0) return damaged("a text ends early");
    text.append(piece, got);
    at_ += got;
    length -= got;
  }
  return text;
}

jet::Status UndoFileReader::endOfLine() {
  int c = std::getc(file_);
  if (c != '\n') return damaged("a line goes on past its end");
  ++at_;
  return {};
}

jet::Status UndoFileReader::readHeader() {
  JET_ASSIGN_OR_RETURN(std::string magic, word());
  if (magic != kMagic) {
    return jet::Error{jet::err::kNotAccessFile, path_ + " is not an undo file"};
  }
  JET_ASSIGN_OR_RETURN(std::uint64_t version, number());
  if (version != static_cast<std::uint64_t>(kUndoFileVersion)) {
    return jet::Error{jet::err::kUnsupported,
                      path_ + " is an undo file of version " + std::to_string(version) +
                          ", which this program cannot read (it reads version " +
                          std::to_string(kUndoFileVersion) + ")"};
  }
  header_.version = static_cast<int>(version);
  JET_TRY(endOfLine());
  JET_ASSIGN_OR_RETURN(std::string after, word());
  if (after != "after") return damaged("the line 'after' is missing");
  JET_ASSIGN_OR_RETURN(header_.after.size, number());
  JET_ASSIGN_OR_RETURN(std::uint64_t seconds, number());
  JET_ASSIGN_OR_RETURN(std::uint64_t nanoseconds, number());
  header_.after.seconds = static_cast<std::int64_t>(seconds);
  header_.after.nanoseconds = static_cast<std::int64_t>(nanoseconds);
  JET_ASSIGN_OR_RETURN(header_.changes, number());
  if (std::getc(file_) != ' ') return damaged("the run's state is missing");
  ++at_;
  JET_ASSIGN_OR_RETURN(std::string state, word());
  if (state != "open" && state != "done") return damaged("the run's state is unknown");
  header_.finished = state == "done";
  JET_TRY(endOfLine());
  JET_ASSIGN_OR_RETURN(std::string database, word());
  if (database != "database") return damaged("the line 'database' is missing");
  JET_ASSIGN_OR_RETURN(header_.databasePath, string());
  JET_TRY(endOfLine());
  for (;;) {
    JET_ASSIGN_OR_RETURN(std::string w, word());
    if (w != "pair") {
      nextWord_ = std::move(w);
      break;
    }
    ReplacementSet pair;
    JET_ASSIGN_OR_RETURN(pair.find, string());
    JET_ASSIGN_OR_RETURN(pair.replace, string());
    JET_TRY(endOfLine());
    header_.pairs.push_back(std::move(pair));
  }
  return {};
}

jet::Result<bool> UndoFileReader::next(RecordedChange& change) {
  for (;;) {
    JET_ASSIGN_OR_RETURN(std::string w, word());
    if (w.empty()) {
      if (std::getc(file_) != EOF) return damaged("an empty line");
      return false;
    }
    if (w == "table") {
      JET_ASSIGN_OR_RETURN(table_, string());
      JET_ASSIGN_OR_RETURN(std::uint64_t n, number());
      keyColumns_.clear();
      for (std::uint64_t i = 0; i < n; ++i) {
        JET_ASSIGN_OR_RETURN(std::string column, string());
        keyColumns_.push_back(std::move(column));
      }
      JET_TRY(endOfLine());
      continue;
    }
    if (w == "void") return damaged("a 'void' follows no change");
    if (w != "change") return damaged("unknown line '" + w + "'");
    if (table_.empty()) return damaged("a change before any table");
    change.table = table_;
    JET_ASSIGN_OR_RETURN(std::uint64_t page, number());
    JET_ASSIGN_OR_RETURN(std::uint64_t slot, number());
    if (page > UINT32_MAX || slot > UINT16_MAX) return damaged("a row locator is out of range");
    change.row.locator = jet::RowLocator{static_cast<std::uint32_t>(page),
                                         static_cast<std::uint16_t>(slot)};
    JET_ASSIGN_OR_RETURN(std::uint64_t keys, number());
    if (keys != keyColumns_.size()) return damaged("a change names its key with other columns");
    change.row.key.resize(keyColumns_.size());
    for (std::size_t i = 0; i < keyColumns_.size(); ++i) {
      change.row.key[i].column = keyColumns_[i];
      JET_ASSIGN_OR_RETURN(change.row.key[i].value, string());
    }
    JET_ASSIGN_OR_RETURN(change.column, string());
    JET_ASSIGN_OR_RETURN(std::uint64_t applied, number());
    if (applied > header_.pairs.size()) return damaged("a change names more pairs than there are");
    change.applied.clear();
    for (std::uint64_t i = 0; i < applied; ++i) {
      JET_ASSIGN_OR_RETURN(std::uint64_t m, number());
      if (m >= header_.pairs.size()) return damaged("a change names a pair that is not there");
      change.applied.push_back(static_cast<std::size_t>(m));
    }
    JET_ASSIGN_OR_RETURN(change.oldValue, string());
    JET_ASSIGN_OR_RETURN(change.newValue, string());
    JET_TRY(endOfLine());
    JET_ASSIGN_OR_RETURN(std::string following, word());
    if (following == "void") {
      JET_TRY(endOfLine());
      continue;
    }
    nextWord_ = std::move(following);
    return true;
  }
}

}  // namespace engine
