// run_test_support.h: for the run's tests only: new databases in a scratch folder, a column read
// back through the engine, and a window that records what the run showed it.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "engine/replacement_run.h"
#include "jet/database.h"
#include "jet/create/database_creator.h"
#include "jet/core/test_scratch_folder.h"

namespace engine::testing {

inline jet::Value text(std::string s) {
  jet::Value v;
  v.isNull = false;
  v.text = std::move(s);
  return v;
}
inline jet::Value number(std::int64_t n) {
  jet::Value v;
  v.isNull = false;
  v.integer = n;
  return v;
}
inline jet::Value null() { return jet::Value{}; }

struct NewTable {
  std::string name;
  std::vector<jet::ColumnSpec> columns;
  std::vector<std::vector<jet::Value>> rows;
};

// Creates `path` (.mdb: Jet4, .accdb: ACE) holding `tables`; an error text, or empty.
inline std::string createDatabase(const std::string& path, const std::vector<NewTable>& tables) {
  jet::CreateOptions options;
  bool ace = path.ends_with(".accdb");
  options.templatePath = std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/" +
                         (ace ? "empty-ace12.accdb" : "empty-jet4.mdb");
  options.createdAt = 46000.25;
  auto creator = jet::DatabaseCreator::create(path, options);
  if (!creator.ok()) return creator.error().description;
  for (const NewTable& t : tables) {
    if (auto s = (*creator)->addTable(t.name, t.columns); !s.ok()) return s.description();
    for (const auto& row : t.rows) {
      if (auto s = (*creator)->insertRow(row); !s.ok()) return s.description();
    }
  }
  auto s = (*creator)->finish();
  return s.ok() ? std::string() : s.description();
}

// The column's cells in table order as the engine reads them (null: nullopt; numbers as their
// integer). Empty vector with a failure message in `error` when the table cannot be read.
inline std::vector<std::optional<std::string>> readColumn(const std::string& path,
                                                          const std::string& table,
                                                          const std::string& column,
                                                          std::string* error = nullptr) {
  std::vector<std::optional<std::string>> cells;
  auto db = jet::Database::open(path);
  if (!db.ok()) {
    if (error) *error = db.error().description;
    return cells;
  }
  auto def = (*db)->table(table);
  if (!def.ok()) {
    if (error) *error = def.error().description;
    return cells;
  }
  std::size_t k = 0;
  while (k < def->columns.size() && def->columns[k].name != column) ++k;
  auto scan = (*db)->scan(*def);
  jet::Row row;
  while (scan.ok() && *(*scan)->next(row)) {
    const jet::Value& v = row.values.at(k);
    if (v.isNull) {
      cells.emplace_back();
    } else if (def->columns[k].type == jet::ColumnType::kText ||
               def->columns[k].type == jet::ColumnType::kMemo) {
      cells.emplace_back(v.text);
    } else {
      cells.emplace_back(std::to_string(v.integer));
    }
  }
  return cells;
}

inline std::vector<std::string> fileLines(const std::string& path) {
  std::vector<std::string> lines;
  auto bytes = jet::testing::readWhole(path);
  std::string all(bytes.begin(), bytes.end());
  std::size_t from = 0;
  for (std::size_t at = all.find("\r\n"); at != std::string::npos; at = all.find("\r\n", from)) {
    lines.push_back(all.substr(from, at - from));
    from = at + 2;
  }
  return lines;
}

// The window's side, recording what the run did to it; optionally asks to stop once N rows
// were begun.
class FakeWindow : public NoticeBox, public PointerControl, public EventPump, public ProgressSink {
 public:
  std::vector<std::string> notices;
  std::vector<PointerMode> pointer;
  int eventsPumped = 0;
  std::vector<RunProgress> steps;
  std::vector<std::string> stepTables;  // RunProgress::table outlives no call: kept here
  int stopAfterRows = -1;

  void showNotice(const std::string& text) override { notices.push_back(text); }
  void setPointerMode(PointerMode mode) override { pointer.push_back(mode); }
  void processEventsOnce() override { ++eventsPumped; }
  void progress(const RunProgress& where) override {
    steps.push_back(where);
    stepTables.emplace_back(where.table);
  }
  bool cancelRequested() override {
    return stopAfterRows >= 0 && steps.size() >= static_cast<std::size_t>(stopAfterRows);
  }
};

inline std::tm fixedClock() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  return t;
}

}  // namespace engine::testing
