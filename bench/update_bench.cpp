// update_bench.cpp: how fast the writer changes text cells, and how much the file grows.
// Changes FILE in place: run it on a fixture made by make_fixture, never on a real database.
// Usage: update_bench FILE TABLE COLUMN [--every K] [--grow N]
//   every K-th row's COLUMN gets N characters more (N = 0: same length, N < 0: shorter).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/database.h"
#include "jet/database_writer.h"

namespace {

std::string changed(const std::string& old, int grow) {
  if (grow < 0) {
    auto cut = static_cast<std::size_t>(-grow);
    if (old.size() <= cut) return {};
    std::size_t end = old.size() - cut;
    while (end > 0 && (static_cast<unsigned char>(old[end]) & 0xC0) == 0x80) --end;
    return old.substr(0, end);  // cut on a character boundary
  }
  std::string out = old;
  for (char& c : out) {  // swap one ASCII letter, so the text stays valid UTF-8
    if ((c >= 'a' && c <= 'w') || (c >= 'A' && c <= 'W')) {
      c = static_cast<char>(c + 1);
      break;
    }
  }
  out.append(static_cast<std::size_t>(grow), 'z');
  return out;
}

int fail(const char* what, const jet::Error& e) {
  std::fprintf(stderr, "%s: %s\n", what, e.description.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: update_bench FILE TABLE COLUMN [--every K] [--grow N]\n");
    return 2;
  }
  std::string path = argv[1], tableName = argv[2], columnName = argv[3];
  long every = 1, grow = 0;
  for (int i = 4; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--every") every = std::max(1L, std::atol(argv[i + 1]));
    if (flag == "--grow") grow = std::atol(argv[i + 1]);
  }
  auto before = std::filesystem::file_size(path);
  auto db = jet::Database::open(path);
  if (!db.ok()) return fail("open", db.error());
  auto def = (*db)->table(tableName);
  if (!def.ok()) return fail("table", def.error());
  std::size_t column = def->columns.size();
  for (std::size_t i = 0; i < def->columns.size(); ++i) {
    if (def->columns[i].name == columnName) column = i;
  }
  if (column == def->columns.size()) {
    std::fprintf(stderr, "no column %s\n", columnName.c_str());
    return 1;
  }
  auto writer = jet::DatabaseWriter::open(path);
  if (!writer.ok()) return fail("open for writing", writer.error());
  auto table = (*writer)->table(*def);
  if (!table.ok()) return fail("table", table.error());
  auto scan = (*db)->scan(*def);
  if (!scan.ok()) return fail("scan", scan.error());

  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  jet::Row row;
  std::uint64_t rows = 0, changes = 0;
  for (;;) {
    auto more = (*scan)->next(row);
    if (!more.ok()) return fail("scan", more.error());
    if (!*more) break;
    if (rows++ % static_cast<std::uint64_t>(every) != 0) continue;
    const jet::Value& old = row.values[column];
    if (old.isNull) continue;
    jet::Value v = old;
    v.text = changed(old.text, static_cast<int>(grow));
    auto s = (*writer)->updateRow(**table, row.locator, {{column, v}});
    if (!s.ok()) return fail("update", s.error());
    ++changes;
  }
  auto s = (*writer)->close();
  if (!s.ok()) return fail("commit", s.error());
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  auto after = std::filesystem::file_size(path);
  std::printf("%llu rows scanned, %llu cells changed (grow %ld) in %.2f s: %.0f changes/s\n",
              static_cast<unsigned long long>(rows), static_cast<unsigned long long>(changes),
              grow, seconds, static_cast<double>(changes) / seconds);
  std::printf("file %llu -> %llu bytes (%+.1f%%)\n", static_cast<unsigned long long>(before),
              static_cast<unsigned long long>(after),
              100.0 * (static_cast<double>(after) - static_cast<double>(before)) /
                  static_cast<double>(before));
  return 0;
}
