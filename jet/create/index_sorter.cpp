// index_sorter.cpp: in-memory batches, spilled runs and their k-way merge. A spilled entry is
// u16 key length, key, u32 page, u16 row, u16 note length, note (little-endian).
#include "jet/create/index_sorter.h"

#include <algorithm>
#include <array>
#include <queue>

#include <openssl/rand.h>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/pager/crypto_primitives.h"

namespace jet {
namespace {

constexpr std::size_t kEntryOverhead = 112;     // headers and allocation slack of one entry
constexpr std::size_t kReadBuffer = 64 * 1024;  // per run while merging
constexpr std::size_t kMaxField = 0xFFFF;

void serialise(const SortEntry& e, std::vector<std::uint8_t>& out) {
  const std::size_t keyAt = out.size() + 2;
  const std::size_t rowAt = keyAt + e.key.size();
  const std::size_t noteAt = rowAt + 8;
  out.resize(noteAt + e.note.size());
  put16(out, keyAt - 2, static_cast<std::uint16_t>(e.key.size()));
  std::copy(e.key.begin(), e.key.end(), out.begin() + static_cast<std::ptrdiff_t>(keyAt));
  put32(out, rowAt, e.row.page);
  put16(out, rowAt + 4, e.row.row);
  put16(out, rowAt + 6, static_cast<std::uint16_t>(e.note.size()));
  std::copy(e.note.begin(), e.note.end(), out.begin() + static_cast<std::ptrdiff_t>(noteAt));
}

}  // namespace

bool sortsBefore(const SortEntry& a, const SortEntry& b) {
  if (a.key != b.key) {
    return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
  }
  if (a.row.page != b.row.page) return a.row.page < b.row.page;
  return a.row.row < b.row.row;
}

// The spill file's cipher: AES-256-CTR, so any byte range can be sealed or opened on its own; the
// counter block of byte offset o is the random nonce plus o / 16.
class IndexSorter::Seal {
 public:
  static Result<std::unique_ptr<Seal>> make(const std::string& path) {
    std::unique_ptr<Seal> s(new Seal);
    s->cipher_ = BlockCipher::create("AES-256-CTR", true);
    if (!s->cipher_ || RAND_bytes(s->key_.data(), static_cast<int>(s->key_.size())) != 1 ||
        RAND_bytes(s->nonce_.data(), 8) != 1) {
      return Error{err::kIo, "The index keys cannot be sealed for the temporary file " + path +
                                 " (OpenSSL's AES-256-CTR or random source failed)."};
    }
    return s;
  }
  ~Seal() { wipe(key_); }

  // Seals or opens (the same thing in CTR) `data`, which lies at byte `offset` of the file.
  Status apply(std::uint64_t offset, std::span<std::uint8_t> data) {
    std::array<std::uint8_t, 16> iv = nonce_;
    std::uint64_t block = offset / 16;
    for (std::size_t n = 0; n < 8; ++n) iv[15 - n] = static_cast<std::uint8_t>(block >> (8 * n));
    std::array<std::uint8_t, 16> skip{};
    if (!cipher_->setKey(key_, iv) ||
        !cipher_->apply(std::span(skip).first(static_cast<std::size_t>(offset % 16))) ||
        !cipher_->apply(data)) {
      return Error{err::kIo, "Internal error: the sealing of sorted index keys failed."};
    }
    return {};
  }

 private:
  Seal() = default;
  std::unique_ptr<BlockCipher> cipher_;
  std::array<std::uint8_t, 32> key_{};
  std::array<std::uint8_t, 16> nonce_{};  // the last 8 bytes count blocks
};

// Reads one spilled run back entry by entry through a bounded buffer.
class IndexSorter::RunReader {
 public:
  RunReader(const RawFile& file, Seal& seal, Run run)
      : file_(file), seal_(seal), at_(run.offset), end_(run.offset + run.length) {}

  // False at the end of the run.
  Result<bool> next(SortEntry& out) {
    if (at_ >= end_ && buffer_.size() == used_) return false;
    std::uint16_t keyLength = 0, noteLength = 0;
    JET_ASSIGN_OR_RETURN(keyLength, number16());
    JET_TRY(bytes(keyLength, out.key));
    std::vector<std::uint8_t> raw;
    JET_TRY(bytes(6, raw));
    out.row.page = u32(raw, 0);
    out.row.row = u16(raw, 4);
    JET_ASSIGN_OR_RETURN(noteLength, number16());
    JET_TRY(bytes(noteLength, raw));
    out.note.assign(raw.begin(), raw.end());
    return true;
  }

 private:
  Result<std::uint16_t> number16() {
    std::vector<std::uint8_t> b;
    JET_TRY(bytes(2, b));
    return u16(b, 0);
  }

  Status bytes(std::size_t n, std::vector<std::uint8_t>& out) {
    out.clear();
    while (out.size() < n) {
      if (used_ == buffer_.size()) JET_TRY(refill());
      std::size_t take = std::min(n - out.size(), buffer_.size() - used_);
      out.insert(out.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_),
                 buffer_.begin() + static_cast<std::ptrdiff_t>(used_ + take));
      used_ += take;
    }
    return {};
  }

  Status refill() {
    if (at_ >= end_) {
      return Error{err::kIo,
                   file_.path() + ": a sort run ends early (the temporary file changed)."};
    }
    buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadBuffer, end_ - at_)));
    JET_TRY(file_.read(at_, buffer_));
    JET_TRY(seal_.apply(at_, buffer_));
    at_ += buffer_.size();
    used_ = 0;
    return {};
  }

  const RawFile& file_;
  Seal& seal_;
  std::uint64_t at_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;
};

IndexSorter::IndexSorter(std::string spillPath, std::size_t budget)
    : spillPath_(std::move(spillPath)), budget_(std::max<std::size_t>(budget, 4096)) {}

IndexSorter::~IndexSorter() {
  if (!file_) return;
  file_.reset();
  (void)RawFile::remove(spillPath_);
}

Status IndexSorter::add(SortEntry entry) {
  if (entry.key.size() > kMaxField || entry.note.size() > kMaxField) {
    return Error{err::kUnsupported, "An index key of " + std::to_string(entry.key.size()) +
                                        " bytes is too long to sort."};
  }
  batchBytes_ += entry.key.size() + entry.note.size() + kEntryOverhead;
  batch_.push_back(std::move(entry));
  if (batchBytes_ >= budget_) return spill();
  return {};
}

Status IndexSorter::spill() {
  if (batch_.empty()) return {};
  if (!file_) {
    if (!seal_) {
      JET_ASSIGN_OR_RETURN(seal_, Seal::make(spillPath_));
    }
    auto file = RawFile::open(spillPath_, RawFile::Mode::kCreateNew);
    if (!file.ok()) {
      return Error{
          file.error().number,
          "The index keys cannot be sorted in the temporary file " + spillPath_ +
              " (delete it if an interrupted creation left it): " + file.error().description};
    }
    file_ = std::make_unique<RawFile>(std::move(*file));
  }
  std::sort(batch_.begin(), batch_.end(), sortsBefore);
  Run run{fileEnd_, 0};
  std::vector<std::uint8_t> out;
  for (const SortEntry& e : batch_) {
    serialise(e, out);
    if (out.size() >= kReadBuffer) {
      JET_TRY(seal_->apply(fileEnd_, out));
      JET_TRY(file_->write(fileEnd_, out));
      fileEnd_ += out.size();
      out.clear();
    }
  }
  JET_TRY(seal_->apply(fileEnd_, out));
  JET_TRY(file_->write(fileEnd_, out));
  fileEnd_ += out.size();
  run.length = fileEnd_ - run.offset;
  runs_.push_back(run);
  batch_.clear();
  batch_.shrink_to_fit();
  batchBytes_ = 0;
  return {};
}

Status IndexSorter::drain(const std::function<Status(const SortEntry&)>& visit) {
  if (runs_.empty()) {
    std::sort(batch_.begin(), batch_.end(), sortsBefore);
    for (const SortEntry& e : batch_) JET_TRY(visit(e));
    batch_.clear();
    batch_.shrink_to_fit();
    return {};
  }
  JET_TRY(spill());
  return merge(visit);
}

Status IndexSorter::merge(const std::function<Status(const SortEntry&)>& visit) {
  std::vector<RunReader> readers;
  readers.reserve(runs_.size());
  for (const Run& run : runs_) readers.emplace_back(*file_, *seal_, run);
  std::vector<SortEntry> heads(readers.size());
  auto later = [&](std::size_t a, std::size_t b) { return sortsBefore(heads[b], heads[a]); };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> queue(later);
  for (std::size_t i = 0; i < readers.size(); ++i) {
    JET_ASSIGN_OR_RETURN(bool has, readers[i].next(heads[i]));
    if (has) queue.push(i);
  }
  while (!queue.empty()) {
    std::size_t i = queue.top();
    queue.pop();
    JET_TRY(visit(heads[i]));
    JET_ASSIGN_OR_RETURN(bool has, readers[i].next(heads[i]));
    if (has) queue.push(i);
  }
  return {};
}

}  // namespace jet
