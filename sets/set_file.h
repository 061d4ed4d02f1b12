// set_file.h: set files, one set per line: writing a set list as "find::replace" lines with CR LF
// ends, reading a whole file as text, and loading its sets with any separator. Paths come from the
// window's file dialog; questions go through a Prompter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sets/prompter.h"
#include "sets/replacement_set.h"
#include "sets/set_list.h"
#include "sets/set_status.h"

namespace sets {

// The text that the whole-file reader gives for a zero-length file, flagged as the marker.
inline constexpr std::string_view kEmptyFileMarker = "empty file";
// Larger files are refused rather than read whole into memory.
inline constexpr std::uintmax_t kMaxSetFileBytes = 64u << 20;

struct FileText {
  std::string text;                // UTF-8
  bool isEmptyFileMarker = false;  // the file has zero bytes; text is kEmptyFileMarker
};

enum class SaveOutcome { kSaved, kDeclined };

// "Are you sure you wish to overwrite <path> ?"
std::string overwriteQuestion(const std::string& path);

// Writes every set of `list` as find, "::", replace, CR LF, in list order, UTF-8 without a
// byte-order mark; an empty list gives an empty file. When a file is already there, asks
// overwriteQuestion() first and writes nothing unless the answer is Yes. The new content goes to
// a temporary file beside the target that then replaces it, so a failure part-way leaves the
// earlier file as it was. A file that may not be written is refused before the question.
Result<SaveOutcome> writeSetFile(const std::string& path, const SetList& list, Prompter& prompter);

// The whole content of the file at `path` as text (see decodeSetFileText); the empty text when no
// file is there; the empty-file marker for a zero-length file. A folder, an unreadable file or one
// past kMaxSetFileBytes is an error naming the path.
Result<FileText> readWholeFile(const std::string& path);

// The sets that `text` holds: every CR is dropped, lines end at LF, and each line that holds
// `separator` gives one set (see splitSet); other lines are skipped.
std::vector<ReplacementSet> parseSetText(std::string_view text, std::string_view separator);

// Reads the file at `path` and appends its sets to `list`, after the sets already there. A missing
// or zero-length file adds nothing. An empty separator, a read failure or more sets than the list
// can take is an error, and then nothing is added.
Status loadSetFile(const std::string& path, std::string_view separator, SetList& list);

}  // namespace sets
