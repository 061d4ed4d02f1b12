// index_sorter.h: sorts the entries of an index being built, however many: entries gather in
// memory up to a budget, each full batch is sorted and spilled as a run to a temporary file, and
// the runs are merged at the end. Entries that fit the budget never touch the disk; spilled runs
// are sealed (AES-256-CTR) under a random key held only in memory, so that the keys and values of
// an encrypted database never reach the disk in plain.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jet/file/raw_file.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

struct SortEntry {
  std::vector<std::uint8_t> key;
  RowLocator row;
  std::string note;  // carried along (e.g. the value as shown in messages); not compared
};

// Order of index entries: key bytes (unsigned), then row page, then row number.
bool sortsBefore(const SortEntry& a, const SortEntry& b);

class IndexSorter {
 public:
  // `spillPath`: the temporary file runs go to (created only when needed, removed when the
  // sorter goes). `budget`: bytes of entries held in memory before a run is spilled.
  IndexSorter(std::string spillPath, std::size_t budget);
  ~IndexSorter();
  IndexSorter(const IndexSorter&) = delete;
  IndexSorter& operator=(const IndexSorter&) = delete;

  Status add(SortEntry entry);
  // Calls `visit` with every entry in order, then forgets them all. Call once.
  Status drain(const std::function<Status(const SortEntry&)>& visit);
  std::size_t runCount() const { return runs_.size(); }

 private:
  struct Run {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
  };
  class RunReader;
  class Seal;
  Status spill();
  Status merge(const std::function<Status(const SortEntry&)>& visit);

  std::string spillPath_;
  std::size_t budget_;
  std::vector<SortEntry> batch_;
  std::size_t batchBytes_ = 0;
  std::unique_ptr<RawFile> file_;
  std::unique_ptr<Seal> seal_;  // made with the file
  std::uint64_t fileEnd_ = 0;
  std::vector<Run> runs_;
};

}  // namespace jet
