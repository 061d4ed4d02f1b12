// scan_bench.cpp: full-scan speed of the engine on one table, next to mdb-export reading the same
// table in the same run. Usage: scan_bench FILE TABLE [--repeat N] [--password P]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jet/database.h"

namespace {

struct Figures {
  double seconds = 0;
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan_bench FILE TABLE [--repeat N] [--password P]\n");
    return 2;
  }
  std::string path = argv[1], tableName = argv[2];
  int repeat = 5;
  jet::OpenOptions options;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--repeat") repeat = std::atoi(argv[i + 1]);
    if (flag == "--password") options.password = argv[i + 1];
  }
  using Clock = std::chrono::steady_clock;
  auto db = jet::Database::open(path, options);
  if (!db.ok()) {
    std::fprintf(stderr, "open: %s\n", db.error().description.c_str());
    return 1;
  }
  auto def = (*db)->table(tableName);
  if (!def.ok()) {
    std::fprintf(stderr, "table: %s\n", def.error().description.c_str());
    return 1;
  }
  Figures f;
  auto start = Clock::now();
  for (int i = 0; i < repeat; ++i) {
    if (!scanOnce(**db, *def, f)) return 1;
  }
  f.seconds = std::chrono::duration<double>(Clock::now() - start).count();

  std::string cmd = "mdb-export " + shellQuote(path) + " " + shellQuote(tableName) + " >/dev/null";
  auto mstart = Clock::now();
  for (int i = 0; i < repeat; ++i) {
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "mdb-export failed\n");
      break;
    }
  }
  double mdbSeconds = std::chrono::duration<double>(Clock::now() - mstart).count();

  double rows = static_cast<double>(f.rows);
  std::printf("table %s: %llu rows x %d scans\n", tableName.c_str(),
              static_cast<unsigned long long>(f.rows / static_cast<unsigned>(repeat)), repeat);
  std::printf("fieldmend scan: %.0f rows/s, %.1f MB/s decoded, %.3f s\n", rows / f.seconds,
              static_cast<double>(f.bytes) / f.seconds / 1e6, f.seconds);
  std::printf("mdb-export:     %.0f rows/s, %.3f s (process start included)\n", rows / mdbSeconds,
              mdbSeconds);
  return 0;
}
