// access_table_copy.h: for the layout comparisons: re-creates a table of an Access-made file with
// the creator (same columns, same indexes in the order Access numbered them, same rows in table
// order) and reads a definition's bytes as they are stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/create/index_layout.h"
#include "jet/core/status.h"

namespace jet::testing {

// The table as the creator is asked for it: text lengths in characters, indexes by logical
// number, each with the columns, order and flags of its real index.
TableSpec specOf(const TableDef& access);

// Creates `created` from `templatePath` holding one table copied from `accessFile`.
Status copyTable(const std::string& accessFile, const std::string& table,
                 const std::string& templatePath, const std::string& created);

// copyTable with the file given relative to the corpus and the template by its name in
// third_party/templates.
inline Status copyCorpusTable(const std::string& corpusFile, const std::string& table,
                              const std::string& templateName, const std::string& created) {
  return copyTable(std::string(FIELDMEND_CORPUS_DIR) + "/" + corpusFile, table,
                   std::string(FIELDMEND_SOURCE_DIR) + "/third_party/templates/" + templateName,
                   created);
}

// The definition of `table` as stored: the first page whole, later pages without their first
// 8 bytes.
Result<std::vector<std::uint8_t>> definitionBytes(const std::string& path, const TableDef& table);

}  // namespace jet::testing
