// database_access.cpp: the table catalogue and the probe, through the provider layer and the
// connection string built from the two boxes.
#include "ui/database_access.h"

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

}  // namespace ui
