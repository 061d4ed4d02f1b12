// writer_test_support.h: shared by the writer tests: temporary copies of corpus files, a
// read-only view of a file's pages, rows as the engine sees them, and the two oracles' views.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/core/format.h"
#include "jet/pager/page_cache.h"
#include "jet/pager/page_channel.h"
#include "jet/schema/table_storage.h"
#include "jet/core/types.h"

namespace writer_test {

std::string corpus(const std::string& relative);

// A temporary folder removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string copy(const std::string& corpusFile) const;  // path of the copy
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

std::vector<std::uint8_t> fileBytes(const std::string& path);

// A file's pages, read-only, decoded.
struct FileView {
  std::unique_ptr<jet::PageChannel> source;
  std::unique_ptr<jet::PageCache> pages;
  bool jet3 = false;
  const jet::Format& format() const {
    return jet::formatFor(jet3 ? jet::Version::kJet3 : jet::Version::kJet4);
  }
};
FileView openView(const std::string& path);

// The table's storage, or nullopt when no local table has that name.
std::optional<jet::TableStorage> findTable(const FileView& view, const std::string& name);

// Problems the integrity check finds in the file.
std::vector<std::string> integrityProblems(const std::string& path,
                                           const std::string& password = {});

// Runs `command`; its standard output, or nullopt when it failed.
std::optional<std::string> run(const std::string& command);
bool haveOracles();
// Compares `after` with `before` through both oracles: cells in `expectJson` (see
// compare_oracles.mjs) have their new values, all others are unchanged. Empty when they agree.
std::string oracleDifferences(const std::string& before, const std::string& after,
                              const std::string& table, const std::string& expectJson);
// JSON string literal for `text`.
std::string jsonString(const std::string& text);

}  // namespace writer_test
