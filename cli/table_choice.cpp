// table_choice.cpp: names on the command line matched to the database's, letter case aside.
#include "cli/table_choice.h"

#include "db/connection_string.h"
#include "db/table_catalogue.h"
#include "jet/core/error_codes.h"
#include "jet/core/fold_case.h"

namespace cli {
namespace {

const std::string* findName(const std::vector<std::string>& names, const std::string& wanted) {
  for (const std::string& name : names) {
    if (jet::equalsIgnoringCase(name, wanted)) return &name;
  }
  return nullptr;
}

jet::Result<std::vector<std::string>> userTables(const std::string& path,
                                                 const std::string& password) {
  JET_ASSIGN_OR_RETURN(auto listed,
                       db::listTables(path, db::buildConnectionString(path, password)));
  if (!listed) return jet::Error{jet::err::kIo, "no such file: " + path};
  return std::move(*listed);
}

void addTable(std::vector<engine::TableListEntry>& tables, const std::string& name) {
  for (const auto& t : tables) {
    if (t.name == name) return;
  }
  tables.push_back({name, true});
}

}  // namespace

std::string tableUsageFault(const Arguments& args) {
  bool named = !args.all("table").empty();
  bool all = args.flag("all-tables");
  if (named && all) return "give --table (one or more) or --all-tables, not both";
  if (!named && !all && args.all("column").empty()) {
    return "give --table (one or more), --all-tables or --column";
  }
  return {};
}

jet::Status chooseColumns(const Arguments& args, const std::string& path,
                          const db::ReaderOpener& opener,
                          std::vector<engine::TableListEntry>& tables,
                          engine::ColumnChoice& choice) {
  const std::vector<std::string> specs = args.all("column");
  if (specs.empty()) return {};
  const std::string password = args.value("password");
  JET_ASSIGN_OR_RETURN(std::vector<std::string> listed, userTables(path, password));
  JET_ASSIGN_OR_RETURN(auto connection,
                       db::Connection::open(db::buildConnectionString(path, password),
                                            db::ConnectionMode::kRead, opener));
  for (const std::string& spec : specs) {
    JET_ASSIGN_OR_RETURN(auto names, engine::parseColumnName(spec));
    const std::string* table = findName(listed, names.first);
    if (table == nullptr) {
      return jet::Error{jet::err::kNoSuchTable,
                        "--column " + spec + ": no user table named '" + names.first + "' in " +
                            path};
    }
    JET_ASSIGN_OR_RETURN(jet::TableDef def, connection->table(*table));
    std::vector<std::string> columns;
    for (const auto& c : def.columns) columns.push_back(c.name);
    const std::string* column = findName(columns, names.second);
    if (column == nullptr) {
      std::string known;
      for (const auto& c : columns) known += (known.empty() ? "" : ", ") + c;
      return jet::Error{jet::err::kNoSuchColumn, "--column " + spec + ": table '" + *table +
                                                     "' has no column '" + names.second +
                                                     "'; its columns are: " + known};
    }
    addTable(tables, *table);
    choice.choose(*table, *column);
  }
  return connection->close();
}

jet::Status chooseTablesAndColumns(const Arguments& args, const std::string& path,
                                   const db::ReaderOpener& opener,
                                   std::vector<engine::TableListEntry>& tables,
                                   engine::ColumnChoice& choice) {
  if (args.flag("all-tables") || !args.all("table").empty()) {
    JET_ASSIGN_OR_RETURN(std::vector<std::string> listed,
                         userTables(path, args.value("password")));
    if (args.flag("all-tables")) {
      for (const std::string& name : listed) addTable(tables, name);
    }
    for (const std::string& wanted : args.all("table")) {
      const std::string* found = findName(listed, wanted);
      if (found == nullptr) {
        return jet::Error{jet::err::kNoSuchTable,
                          "no user table named '" + wanted + "' in " + path};
      }
      addTable(tables, *found);
    }
  }
  return chooseColumns(args, path, opener, tables, choice);
}

}  // namespace cli
