// column_choice.h: which columns of which tables a run (or a search) visits. A table the choice
// does not name is visited whole; a named table only in its chosen columns.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/core/status.h"

namespace engine {

class ColumnChoice {
 public:
  // Limits `table` to `columns` (added to those chosen before). Names as the catalogue spells
  // them; compared without regard to letter case.
  void choose(const std::string& table, const std::string& column);
  // Limits `table` to exactly `columns` (none: the table is not visited at all).
  void limit(const std::string& table, std::vector<std::string> columns);
  // Lets `table` be visited whole again.
  void unlimit(std::string_view table);
  bool limits(std::string_view table) const;
  bool chosen(std::string_view table, std::string_view column) const;
  bool empty() const { return byTable_.empty(); }
  const std::map<std::string, std::vector<std::string>, std::less<>>& tables() const {
    return byTable_;
  }

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> byTable_;
};

// Splits "TABLE.COLUMN" at its first dot. Either name may be written in brackets, so that it
// can hold a dot: "[Table].[Col.umn]". Refuses a text without both names.
jet::Result<std::pair<std::string, std::string>> parseColumnName(std::string_view text);

}  // namespace engine
