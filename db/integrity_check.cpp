// integrity_check.cpp: the engine's check of a whole file, reached through the connection string.
#include "db/integrity_check.h"

#include "db/connection_string.h"
#include "jet/integrity_check.h"

namespace db {

jet::Result<std::vector<std::string>> checkIntegrity(std::string_view connectionString) {
  JET_ASSIGN_OR_RETURN(ConnectionTarget target, parseConnectionString(connectionString));
  return jet::checkDatabaseFile(target.path, target.password);
}

}  // namespace db
