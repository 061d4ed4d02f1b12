// undo_file.h: the undo file of a replacement run, which holds what is needed to take the run back:
// per change the table, the row's identity, the column, the old and the new value, and the pairs
// that made it; and the database's path, size and modification time as the run left it.
//
// The file is text with a fixed frame, version 1, every line ended by LF:
//   fieldmend-undo 1
//   after SIZE SECONDS NANOSECONDS CHANGES STATE   fixed width, rewritten when the run ends
//   database STRING
//   pair STRING STRING                             the find and replace texts, in run order
//   table STRING N STRING...                       a table, and its N key columns
//   change PAGE SLOT N STRING... STRING M INDEX... STRING STRING
//                                                  row locator, N key values, column, the M pairs
//                                                  applied, old value, new value
//   void                                           the change before was not made after all
// A STRING is its length in bytes, a colon and the bytes themselves, so any text fits. STATE is
// "open" until the run has ended, then "done". Changes follow in the order they were made.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/replacement.h"
#include "engine/replacement_run.h"
#include "engine/row_identity.h"
#include "jet/core/status.h"

namespace engine {

inline constexpr int kUndoFileVersion = 1;

// A file's size and modification time, as the undo file records the database after the run.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
jet::Result<FileStamp> fileStamp(const std::string& path);

// The absolute path, with links and dot segments resolved as far as the path exists.
std::string absolutePath(const std::string& path);

// One change as the undo file holds it.
struct RecordedChange {
  std::string table;
  RowIdentity row;  // the key as the row stood right after this change
  std::string column;
  std::vector<std::size_t> applied;  // the pairs that made it, positions in UndoHeader::pairs
  std::string oldValue;
  std::string newValue;
};

struct UndoHeader {
  int version = kUndoFileVersion;
  std::string databasePath;  // absolute
  std::vector<ReplacementSet> pairs;
  bool finished = false;  // the run reached its end; `after` and `changes` are set
  FileStamp after;
  std::uint64_t changes = 0;
};

// Where an undo file goes unless the user says: beside the change log, named after the time the
// run began ("fieldmend-undo-20261208-140509.undo"); a number is added when that name is taken.
std::string defaultUndoPath(const std::string& logPath, const std::tm& now);

// True when the database is protected (a password, or encrypted or encoded pages): an undo file
// would hold its values in plain text, so one is written only when the user asks for it.
bool databaseIsProtected(const jet::HeaderInfo& header);

// Writes the undo file of one run as the run's change recorder. Nothing is created until the
// first change; records wait in a small buffer and reach the disk at each sync(), which the run
// calls before every commit. The file is readable and writable by its owner only.
class UndoFileWriter : public ChangeRecorder {
 public:
  // `chosen`: the user named `path`, which must not exist; otherwise `path` is a first choice
  // and a free name beside it is taken when it exists.
  UndoFileWriter(std::string path, bool chosen, const std::string& databasePath,
                 std::vector<ReplacementSet> pairs);
  ~UndoFileWriter() override;
  UndoFileWriter(const UndoFileWriter&) = delete;
  UndoFileWriter& operator=(const UndoFileWriter&) = delete;

  jet::Status recordChange(const FieldChange& change) override;
  void changeNotMade() override;
  jet::Status sync() override;

  // A change named by its row directly (for runs that do not read a recordset).
  jet::Status record(const RecordedChange& change, const std::vector<std::string>& keyColumns);

  // After the run: records the database's size and modification time as they are now, marks the
  // file finished and closes it. Nothing to do when no change was recorded.
  jet::Status finish();

  bool created() const { return fd_ >= 0 || finished_; }
  const std::string& path() const { return path_; }
  std::uint64_t changes() const { return changes_; }

 private:
  jet::Status create();
  jet::Status flush();
  jet::Status write(const RecordedChange& change, const std::vector<std::string>& keyColumns);
  jet::Status put(const RecordedChange& change);
  jet::Error ioError(const std::string& what) const;

  std::string path_;
  bool chosen_;
  std::string databasePath_;
  std::vector<ReplacementSet> pairs_;
  int fd_ = -1;
  bool finished_ = false;
  std::optional<jet::Error> failure_;  // once writing failed, every later call fails
  std::string buffer_;
  std::uint64_t changes_ = 0;
  std::string table_;  // the table whose line was written last
  bool tableWritten_ = false;
  std::unique_ptr<RowNamer> namer_;  // for the table of the last recordChange()
  std::string namedTable_;
  std::vector<std::string> keyColumns_;
  RecordedChange scratch_;
};

// Reads an undo file front to back, one change at a time.
class UndoFileReader {
 public:
  static jet::Result<std::unique_ptr<UndoFileReader>> open(const std::string& path);
  ~UndoFileReader();
  UndoFileReader(const UndoFileReader&) = delete;
  UndoFileReader& operator=(const UndoFileReader&) = delete;

  const UndoHeader& header() const { return header_; }
  const std::string& path() const { return path_; }
  // The next change that was made (changes voided after them are left out); false at the end.
  // An error names the file and the byte where it stops making sense.
  jet::Result<bool> next(RecordedChange& change);

 private:
  explicit UndoFileReader(std::string path, std::FILE* file) : path_(std::move(path)), file_(file) {}
  jet::Status readHeader();
  jet::Result<std::string> word();
  jet::Result<std::string> string();
  jet::Result<std::uint64_t> number();
  jet::Status endOfLine();
  jet::Error damaged(const std::string& what) const;

  std::string path_;
  std::FILE* file_;
  std::uint64_t at_ = 0;  // bytes read
  UndoHeader header_;
  std::string table_;
  std::vector<std::string> keyColumns_;
  std::optional<std::string> nextWord_;  // the keyword read ahead
};

}  // namespace engine
