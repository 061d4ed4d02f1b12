// scan_bench.cpp: full-scan speed of the engine on one table, next to mdb-export reading the same
// table in the same run; with --encrypted, also the same table in an encrypted copy, and the
// ratio of the two scans. Usage: scan_bench FILE TABLE [--repeat N] [--password P]
// [--encrypted FILE2] [--reference N] (the password then opens FILE2; FILE is plain; N runs of
// mdb-export, 0 for none, default as many as scans).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jet/database.h"

namespace {

struct Figures {
  double seconds = 0;
  double best = 0;  // the fastest single scan, the steadier figure on a shared machine
  std::uint64_t rows = 0;
  std::uint64_t bytes = 0;  // decoded cell bytes: text/binary lengths, 8 per other value
};

bool scanOnce(const jet::Database& db, const jet::TableDef& def, Figures& f) {
  auto scan = db.scan(def);
  if (!scan.ok()) {
    std::fprintf(stderr, "scan: %s\n", scan.error().description.c_str());
    return false;
  }
  jet::Row row;
  for (;;) {
    auto more = (*scan)->next(row);
    if (!more.ok()) {
      std::fprintf(stderr, "scan: %s\n", more.error().description.c_str());
      return false;
    }
    if (!*more) return true;
    ++f.rows;
    for (const auto& v : row.values) f.bytes += v.isNull ? 0 : v.text.size() + v.bytes.size() + 8;
  }
}

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Opens `path` and scans `tableName` `repeat` times; false after printing why not.
bool measure(const std::string& path, const std::string& tableName, const jet::OpenOptions& options,
             int repeat, Figures& f) {
  auto db = jet::Database::open(path, options);
  if (!db.ok()) {
    std::fprintf(stderr, "open: %s\n", db.error().description.c_str());
    return false;
  }
  auto def = (*db)->table(tableName);
  if (!def.ok()) {
    std::fprintf(stderr, "table: %s\n", def.error().description.c_str());
    return false;
  }
  using Clock = std::chrono::steady_clock;
  for (int i = 0; i < repeat; ++i) {
    const auto start = Clock::now();
    if (!scanOnce(**db, *def, f)) return false;
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    f.seconds += secs;
    if (i == 0 || secs < f.best) f.best = secs;
  }
  return true;
}

void print(const char* label, const Figures& f) {
  std::printf("%s %.0f rows/s, %.1f MB/s decoded, %.3f s\n", label,
              static_cast<double>(f.rows) / f.seconds,
              static_cast<double>(f.bytes) / f.seconds / 1e6, f.seconds);
}

void printBest(const Figures& f, int repeat) {
  std::printf("best single scan: %.3f s, %.0f rows/s\n", f.best,
              static_cast<double>(f.rows) / repeat / f.best);
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: scan_bench FILE TABLE [--repeat N] [--password P] [--encrypted FILE2] "
      "[--reference N]\n";
  if (argc < 3) {
    std::fprintf(stderr, "%s", usage);
    return 2;
  }
  std::string path = argv[1], tableName = argv[2], encrypted;
  int repeat = 5;
  int reference = -1;
  jet::OpenOptions options;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--repeat") {
      repeat = std::atoi(argv[i + 1]);
    } else if (flag == "--password") {
      options.password = argv[i + 1];
    } else if (flag == "--reference") {
      reference = std::atoi(argv[i + 1]);
    } else if (flag == "--encrypted") {
      encrypted = argv[i + 1];
    } else {
      std::fprintf(stderr, "%s", usage);
      return 2;
    }
  }
  if (repeat < 1) repeat = 1;
  if (reference < 0) reference = repeat;
  using Clock = std::chrono::steady_clock;
  Figures f, e;
  if (!measure(path, tableName, encrypted.empty() ? options : jet::OpenOptions{}, repeat, f)) {
    return 1;
  }
  if (!encrypted.empty() && !measure(encrypted, tableName, options, repeat, e)) return 1;

  std::printf("table %s: %llu rows x %d scans\n", tableName.c_str(),
              static_cast<unsigned long long>(f.rows / static_cast<unsigned>(repeat)), repeat);
  print("fieldmend scan:", f);
  printBest(f, repeat);
  if (!encrypted.empty()) {
    print("encrypted scan:", e);
    std::printf("encrypted / plain: %.2f (opening, with its key derivation, not timed)\n",
                e.seconds / f.seconds);
  }

  if (reference == 0) return 0;
  std::string cmd = "mdb-export " + shellQuote(path) + " " + shellQuote(tableName) + " >/dev/null";
  auto mstart = Clock::now();
  for (int i = 0; i < reference; ++i) {
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "mdb-export failed\n");
      break;
    }
  }
  double mdbSeconds = std::chrono::duration<double>(Clock::now() - mstart).count();
  std::printf("mdb-export:     %.0f rows/s, %.3f s (process start included)\n",
              static_cast<double>(f.rows) / repeat * reference / mdbSeconds, mdbSeconds);
  return 0;
}
