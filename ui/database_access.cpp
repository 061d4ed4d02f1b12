// database_access.cpp: the table catalogue and the probe over the engine's reader.
#include "ui/database_access.h"

#include <QString>

#include "app/file_exists.h"
#include "jet/database.h"

namespace ui {

jet::Result<TableNames> EngineDatabaseAccess::listTables(const std::string& path,
                                                         const std::string& password) {
  if (!app::fileExists(QString::fromStdString(path))) return TableNames();
  JET_ASSIGN_OR_RETURN(auto database, jet::Database::open(path, jet::OpenOptions{password}));
  std::vector<std::string> names;
  for (const jet::CatalogEntry& entry : database->catalogue()) {
    if (entry.kind == jet::ObjectKind::kTable) names.push_back(entry.name);
  }
  return TableNames(std::move(names));
}

jet::Status EngineDatabaseAccess::probeTable(const std::string& path, const std::string& password,
                                             const std::string& table) {
  JET_ASSIGN_OR_RETURN(auto database, jet::Database::open(path, jet::OpenOptions{password}));
  JET_ASSIGN_OR_RETURN(jet::TableDef definition, database->table(table));
  JET_ASSIGN_OR_RETURN(auto scan, database->scan(definition));
  return {};
}

}  // namespace ui
