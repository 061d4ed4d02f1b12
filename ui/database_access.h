// database_access.h: what the windows ask of a database: its user tables (the table catalogue)
// and whether one table can be opened (the table probe). The engine answers in the product;
// tests may pass their own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jet/core/status.h"

namespace ui {

using TableNames = std::optional<std::vector<std::string>>;

class DatabaseAccess {
 public:
  virtual ~DatabaseAccess() = default;
  // The user tables in catalogue order; no list (without an error) when no file is at `path`;
  // an error naming the file when it cannot be opened or read.
  virtual jet::Result<TableNames> listTables(const std::string& path,
                                             const std::string& password) = 0;
  // Opens `table` for reading and lets it go; an error naming the table when that fails.
  virtual jet::Status probeTable(const std::string& path, const std::string& password,
                                 const std::string& table) = 0;
  // The text and memo columns of `table`, in table order; an error naming the table when it
  // cannot be read.
  virtual jet::Result<std::vector<std::string>> textColumns(const std::string& path,
                                                            const std::string& password,
                                                            const std::string& table) = 0;
};

// The engine's answers, opening the file afresh for each call and closing it before returning.
class EngineDatabaseAccess : public DatabaseAccess {
 public:
  jet::Result<TableNames> listTables(const std::string& path, const std::string& password) override;
  jet::Status probeTable(const std::string& path, const std::string& password,
                         const std::string& table) override;
  jet::Result<std::vector<std::string>> textColumns(const std::string& path,
                                                    const std::string& password,
                                                    const std::string& table) override;
};

}  // namespace ui
