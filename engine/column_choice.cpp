// column_choice.cpp: the chosen columns and the TABLE.COLUMN notation.
#include "engine/column_choice.h"

#include <algorithm>

#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"

namespace engine {

void ColumnChoice::choose(const std::string& table, const std::string& column) {
  for (auto& [name, columns] : byTable_) {
    if (!jet::equalsIgnoringCase(name, table)) continue;
    for (const std::string& c : columns) {
      if (jet::equalsIgnoringCase(c, column)) return;
    }
    columns.push_back(column);
    return;
  }
  byTable_[table].push_back(column);
}

void ColumnChoice::limit(const std::string& table, std::vector<std::string> columns) {
  unlimit(table);
  byTable_[table] = std::move(columns);
}

void ColumnChoice::unlimit(std::string_view table) {
  std::erase_if(byTable_, [&](const auto& t) { return jet::equalsIgnoringCase(t.first, table); });
}

bool ColumnChoice::limits(std::string_view table) const {
  return std::any_of(byTable_.begin(), byTable_.end(),
                     [&](const auto& t) { return jet::equalsIgnoringCase(t.first, table); });
}

bool ColumnChoice::chosen(std::string_view table, std::string_view column) const {
  if (byTable_.empty()) return true;
  auto exact = byTable_.find(table);
  const std::vector<std::string>* columns = exact != byTable_.end() ? &exact->second : nullptr;
  if (columns == nullptr) {
    for (const auto& [name, cs] : byTable_) {
      if (jet::equalsIgnoringCase(name, table)) columns = &cs;
    }
  }
  if (columns == nullptr) return true;
  return std::any_of(columns->begin(), columns->end(),
                     [&](const std::string& c) { return jet::equalsIgnoringCase(c, column); });
}

namespace {

// One name from `at`: bracketed (up to its closing bracket) or plain (up to `stop`).
jet::Result<std::string> takeName(std::string_view text, std::size_t& at, bool stopAtDot) {
  if (at < text.size() && text[at] == '[') {
    std::size_t close = text.find(']', at + 1);
    if (close == std::string_view::npos) {
      return jet::Error{jet::err::kNoSuchColumn,
                        "column '" + std::string(text) + "': '[' without its ']'"};
    }
    std::string name(text.substr(at + 1, close - at - 1));
    at = close + 1;
    return name;
  }
  std::size_t end = stopAtDot ? text.find('.', at) : text.size();
  if (end == std::string_view::npos) end = text.size();
  std::string name(text.substr(at, end - at));
  at = end;
  return name;
}

}  // namespace

jet::Result<std::pair<std::string, std::string>> parseColumnName(std::string_view text) {
  auto wrong = [&](const std::string& why) {
    return jet::Error{jet::err::kNoSuchColumn, "column '" + std::string(text) + "': " + why};
  };
  std::size_t at = 0;
  JET_ASSIGN_OR_RETURN(std::string table, takeName(text, at, true));
  if (at >= text.size() || text[at] != '.') return wrong("write it as TABLE.COLUMN");
  ++at;
  bool bracketed = at < text.size() && text[at] == '[';
  JET_ASSIGN_OR_RETURN(std::string column, takeName(text, at, false));
  if (at != text.size()) return wrong("nothing may follow the column's ']'");
  if (table.empty() || column.empty()) return wrong("write it as TABLE.COLUMN");
  if (!bracketed && column.find('.') != std::string::npos) {
    return wrong("a name holding a dot is written in brackets: [Table].[Col.umn]");
  }
  return std::pair{std::move(table), std::move(column)};
}

}  // namespace engine
