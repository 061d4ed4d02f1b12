// replace_bench.cpp: what a replacement run costs next to a plain scan of the same table; 1,000
// sets next to one; and the one-statement-per-matching-value design (each statement a full table
// scan) next to the run. Prints figures; asserts nothing.
//
// Usage: replace_bench [ROWS...]   (default 10000 100000)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/recordset.h"
#include "db/sql_statement.h"
#include "db/table_catalogue.h"
#include "engine/find_prefilter.h"
#include "engine/replacement.h"
#include "engine/replacement_run.h"
#include "jet/database.h"
#include "jet/create/database_creator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kTable = "Bench";
constexpr const char* kNeedle = "needle";
constexpr int kTextColumns = 3;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

jet::Value text(std::string s) {
  jet::Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}

// A table of `rows` rows: an id and three text columns of about 30 characters, one cell in ten
// holding the needle.
bool makeFixture(const std::string& path, std::uint64_t rows) {
  jet::CreateOptions options;
  options.templatePath = std::string(FIELDMEND_TEMPLATE_DIR) + "/empty-jet4.mdb";
  auto creator = jet::DatabaseCreator::create(path, options);
  if (!creator.ok()) return false;
  std::vector<jet::ColumnSpec> columns{{"Id", jet::ColumnType::kLong}};
  for (int c = 0; c < kTextColumns; ++c) {
    columns.push_back({"Text" + std::to_string(c), jet::ColumnType::kText, 60});
  }
  if (!(*creator)->addTable(kTable, columns).ok()) return false;
  std::mt19937 random(42);
  const char* words[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel"};
  for (std::uint64_t r = 0; r < rows; ++r) {
    jet::Value id;
    id.isNull = false;
    id.integer = static_cast<std::int64_t>(r);
    std::vector<jet::Value> row{id};
    for (int c = 0; c < kTextColumns; ++c) {
      std::string cell = std::to_string(r) + "-" + std::to_string(c);
      while (cell.size() < 28) cell += std::string(" ") + words[random() % 8];
      if (random() % 10 == 0) cell.insert(cell.size() / 2, kNeedle);
      row.push_back(text(cell));
    }
    if (!(*creator)->insertRow(row).ok()) return false;
  }
  return (*creator)->finish().ok();
}

double plainScan(const std::string& path, std::uint64_t& rows) {
  auto start = Clock::now();
  auto db = jet::Database::open(path);
  auto def = (*db)->table(kTable);
  auto scan = (*db)->scan(*def);
  jet::Row row;
  rows = 0;
  while (*(*scan)->next(row)) ++rows;
  return seconds(start);
}

struct Silent : engine::NoticeBox, engine::PointerControl, engine::EventPump, db::ErrorReporter {
  int reports = 0;
  void showNotice(const std::string&) override {}
  void setPointerMode(engine::PointerMode) override {}
  void processEventsOnce() override {}
  void report(const db::ErrorReport&) override { ++reports; }
};

double timedRun(const std::string& path, const std::vector<engine::ReplacementSet>& sets,
                bool multiple, engine::RunOutcome& outcome, bool dryRun = false) {
  engine::RunInputs in;
  in.databasePath = path;
  in.tables = {{kTable, true}};
  in.currentIndex = 0;
  in.tabIndex = multiple ? engine::kMultipleTab : engine::kSingleTab;
  in.findText = sets[0].find;
  in.replaceText = sets[0].replace;
  in.sets = sets;
  Silent window;
  engine::RunContext cx{window, window, window, window};
  cx.logPath = path + ".log";
  cx.dryRun = dryRun;
  auto start = Clock::now();
  outcome = engine::runReplacement(in, cx);
  return seconds(start);
}

std::string copyOf(const std::string& fixture, const std::string& name) {
  std::string path = std::filesystem::path(fixture).parent_path() / name;
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".log");
  std::filesystem::copy_file(fixture, path);
  return path;
}

std::vector<engine::ReplacementSet> manySets(std::size_t count) {
  std::vector<engine::ReplacementSet> sets;
  for (std::size_t i = 0; sets.size() + 1 < count; ++i) {
    sets.push_back({"absent" + std::to_string(i) + "word", "x"});
  }
  sets.push_back({kNeedle, "pin"});
  return sets;
}

// The text work alone over every text cell: trying each set against prefiltering first.
void textOnly(const std::string& path, const std::vector<engine::ReplacementSet>& sets) {
  auto db = jet::Database::open(path);
  auto def = (*db)->table(kTable);
  std::vector<std::string> cells;
  auto scan = (*db)->scan(*def);
  jet::Row row;
  while (*(*scan)->next(row) && cells.size() < 30000) {
    for (std::size_t k = 1; k < row.values.size(); ++k) cells.push_back(row.values[k].text);
  }
  std::size_t changed = 0;
  auto start = Clock::now();
  for (const auto& cell : cells) changed += engine::applySets(cell, sets).applied.size();
  double naive = seconds(start);
  engine::FindPrefilter filter(sets);
  start = Clock::now();
  std::size_t filtered = 0;
  for (const auto& cell : cells) {
    if (filter.anyOccurs(cell)) filtered += engine::applySets(cell, sets).applied.size();
  }
  double fast = seconds(start);
  std::printf(
      "  text only, %zu cells, %zu sets: every set tried %.3f s, prefiltered %.3f s "
      "(x%.1f), same sets applied: %s\n",
      cells.size(), sets.size(), naive, fast, naive / fast, changed == filtered ? "yes" : "NO");
}

// The one-statement design: for each matching value as read, an update statement whose where
// clause makes it a full scan. Times `sample` statements and extrapolates to all of them.
void statementDesign(const std::string& path, std::uint64_t matching, std::size_t sample,
                     double runSeconds) {
  auto connection =
      db::Connection::open(db::buildConnectionString(path, ""), db::ConnectionMode::kReadWrite);
  auto records = (*connection)->openRecordset(db::selectAllStatement(kTable));
  std::vector<std::pair<std::string, std::string>> statements;  // column, old value
  for (auto& rs = *records; !rs->eof() && statements.size() < sample;) {
    for (std::size_t k = 1; k < rs->fieldCount(); ++k) {
      const std::string& v = rs->value(k).text;
      if (engine::occurs(v, kNeedle)) statements.emplace_back(rs->fieldName(k), v);
    }
    if (!rs->moveNext().ok()) break;
  }
  records->reset();
  auto start = Clock::now();
  for (const auto& [column, old] : statements) {
    std::string sql = "update [" + std::string(kTable) + "] set [" + column +
                      "] = " + db::quoteLiteral(engine::replaceAll(old, kNeedle, "pin")) +
                      " where [" + column + "] = " + db::quoteLiteral(old);
    if (!(*connection)->execute(sql).ok()) std::printf("  statement failed\n");
  }
  (void)(*connection)->close();
  double each = seconds(start) / static_cast<double>(statements.size());
  double all = each * static_cast<double>(matching);
  std::printf(
      "  statement per matching value: %zu statements in %.2f s (%.1f ms each); all %llu "
      "would take %.0f s, x%.0f the run\n",
      statements.size(), each * static_cast<double>(statements.size()), each * 1000,
      static_cast<unsigned long long>(matching), all, all / runSeconds);
}

void benchRows(const std::string& folder, std::uint64_t rows) {
  std::string fixture = folder + "/fixture-" + std::to_string(rows) + ".mdb";
  auto start = Clock::now();
  if (!std::filesystem::exists(fixture) && !makeFixture(fixture, rows)) {
    std::printf("cannot make the fixture %s\n", fixture.c_str());
    return;
  }
  std::printf("%llu rows, %d text columns, 1 cell in 10 holds \"%s\" (%.1f MB, made in %.1f s)\n",
              static_cast<unsigned long long>(rows), kTextColumns, kNeedle,
              static_cast<double>(std::filesystem::file_size(fixture)) / 1e6, seconds(start));
  std::uint64_t read = 0;
  double scan = plainScan(fixture, read);
  std::printf("  plain scan: %.3f s (%llu rows)\n", scan, static_cast<unsigned long long>(read));

  engine::RunOutcome one;
  double run = timedRun(copyOf(fixture, "single.mdb"), {{kNeedle, "pin"}}, false, one);
  std::uint64_t changed = one.tables.empty() ? 0 : one.tables[0].valuesChanged;
  std::printf("  run, one pair: %.3f s, %llu values changed, x%.2f the plain scan, peak %ld KB\n",
              run, static_cast<unsigned long long>(changed), run / scan, peakKilobytes());

  engine::RunOutcome dry;
  double reading = timedRun(fixture, {{kNeedle, "pin"}}, false, dry, true);
  std::printf(
      "  dry run (reading and text work, no log, no writes): %.3f s, x%.2f the plain scan\n",
      reading, reading / scan);

  engine::RunOutcome oneSet;
  double single = timedRun(copyOf(fixture, "oneset.mdb"), {{kNeedle, "pin"}}, true, oneSet);
  engine::RunOutcome thousand;
  double many = timedRun(copyOf(fixture, "sets.mdb"), manySets(1000), true, thousand);
  std::printf("  multiple mode: 1 set %.3f s, 1000 sets %.3f s (x%.2f), same changes: %s\n", single,
              many, many / single,
              oneSet.tables[0].valuesChanged == thousand.tables[0].valuesChanged ? "yes" : "NO");
  textOnly(fixture, manySets(1000));

  statementDesign(copyOf(fixture, "statements.mdb"), changed, rows <= 10000 ? 40 : 8, run);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint64_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {10000, 100000};
  std::string folder = (std::filesystem::temp_directory_path() / "replace-bench").string();
  std::filesystem::create_directories(folder);
  for (std::uint64_t rows : sizes) benchRows(folder, rows);
  std::filesystem::remove_all(folder);
  return 0;
}
