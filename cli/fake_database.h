// fake_database.h: an in-memory Database for the command tests: a catalogue, table definitions
// and rows given by the test, and a scan that can be told to fail after some rows.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "jet/database.h"
#include "jet/core/error_codes.h"

namespace cli::testing {

struct FakeTable {
  jet::TableDef def;
  std::vector<jet::Row> rows;
  int failAfter = -1;  // >= 0: the scan fails after delivering that many rows
};

class FakeDatabase : public jet::Database {
 public:
  explicit FakeDatabase(std::string path) : path_(std::move(path)) {}

  jet::HeaderInfo& headerInfo() { return header_; }
  void addObject(std::string name, jet::ObjectKind kind) {
    catalogue_.push_back({std::move(name), kind, 0, 0});
  }
  FakeTable& addTable(std::string name, jet::ObjectKind kind = jet::ObjectKind::kTable) {
    const auto page = static_cast<std::uint32_t>(100 + catalogue_.size());
    catalogue_.push_back({name, kind, static_cast<std::int32_t>(page), page});
    FakeTable& t = tables_[name];
    t.def.name = name;
    t.def.tdefPage = page;
    return t;
  }

  const std::string& path() const override { return path_; }
  const jet::HeaderInfo& header() const override { return header_; }
  const std::vector<jet::CatalogEntry>& catalogue() const override { return catalogue_; }
  jet::Result<jet::TableDef> table(std::string_view name) const override {
    for (const auto& [key, t] : tables_)
      if (key == name) return t.def;
    return jet::Error{jet::err::kNoSuchTable, "no table " + std::string(name)};
  }
  jet::Result<std::unique_ptr<jet::TableScan>> scan(const jet::TableDef& def) const override {
    return std::unique_ptr<jet::TableScan>(std::make_unique<Scan>(tables_.at(def.name), path_));
  }
  jet::Result<jet::Row> readRow(const jet::TableDef&, jet::RowLocator) const override {
    return jet::Error{jet::err::kUnsupported, "not in the fake"};
  }

 private:
  class Scan : public jet::TableScan {
   public:
    Scan(const FakeTable& t, const std::string& path) : table_(t), path_(path) {}
    jet::Result<bool> next(jet::Row& row) override {
      if (table_.failAfter >= 0 && next_ == static_cast<std::size_t>(table_.failAfter))
        return jet::Error{jet::err::kBadPage,
                          path_ + ": page 7 of table " + table_.def.name + " fails its checks"};
      if (next_ >= table_.rows.size()) return false;
      row = table_.rows[next_++];
      return true;
    }

   private:
    const FakeTable& table_;
    const std::string& path_;
    std::size_t next_ = 0;
  };

  std::string path_;
  jet::HeaderInfo header_;
  std::vector<jet::CatalogEntry> catalogue_;
  std::map<std::string, FakeTable> tables_;
};

}  // namespace cli::testing
