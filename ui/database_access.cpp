// database_access.cpp: the table catalogue and the probe, through the provider layer and the
// connection string built from the two boxes.
#include "ui/database_access.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/table_catalogue.h"

namespace ui {

jet::Result<TableNames> EngineDatabaseAccess::listTables(const std::string& path,
                                                         const std::string& password) {
  return db::listTables(path, db::buildConnectionString(path, password));
}

jet::Status EngineDatabaseAccess::probeTable(const std::string& path, const std::string& password,
                                             const std::string& table) {
  return db::probeTable(db::buildConnectionString(path, password), table);
}

jet::Result<std::vector<std::string>> EngineDatabaseAccess::textColumns(
    const std::string& path, const std::string& password, const std::string& table) {
  JET_ASSIGN_OR_RETURN(auto connection,
                       db::Connection::open(db::buildConnectionString(path, password),
                                            db::ConnectionMode::kRead));
  auto def = connection->table(table);
  if (!def.ok()) {
    return jet::Error{def.error().number, "table '" + table + "': " + def.error().description};
  }
  std::vector<std::string> names;
  for (const auto& c : def.value().columns) {
    if (c.type == jet::ColumnType::kText || c.type == jet::ColumnType::kMemo) {
      names.push_back(c.name);
    }
  }
  return names;
}

}  // namespace ui
