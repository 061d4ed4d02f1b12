// row_identity.h: how a change names its row so that the name still holds after the run: the
// primary key's column names and values where the table has a primary key, and always the
// engine's row locator (stable for the row's life: a row that no longer fits its page leaves a
// pointer to its new place behind).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "db/recordset.h"

namespace engine {

struct KeyPart {
  std::string column;
  std::string value;  // keyValueText of the cell
};

struct RowIdentity {
  std::vector<KeyPart> key;  // empty: the table has no primary key
  jet::RowLocator locator;

  bool hasKey() const { return !key.empty(); }
  // For people: "ID=5", "Country=France, City=Paris", or "row at page 12, slot 3" without a key.
  std::string text() const;
  // The key's values are the same, column by column (the locator aside).
  bool sameKey(const RowIdentity& other) const;
};

// A cell's value as a row's name holds it: independent of the user's locale and exact enough to
// tell two rows apart (text as it is, numbers in their shortest exact form, dates in ISO 8601,
// bytes in hexadecimal). A null gives the empty text.
std::string keyValueText(jet::ColumnType type, const jet::Value& value);

// Names rows of one table. The key's fields are looked up once; the table need not outlive it.
class RowNamer {
 public:
  explicit RowNamer(const jet::TableDef& table);

  const std::vector<std::size_t>& keyFields() const { return keyFields_; }
  bool isKeyField(std::size_t k) const;
  // The row whose cells are `values`, found at `where`.
  RowIdentity name(const std::vector<jet::Value>& values, jet::RowLocator where) const;
  // The current record of `records`; when `changed` names one of its fields, that field is taken
  // to hold `newText` already (a change about to be made to a key column).
  RowIdentity name(const db::Recordset& records, std::size_t changed = SIZE_MAX,
                   const std::string* newText = nullptr) const;

 private:
  struct KeyColumn {
    std::string name;
    jet::ColumnType type;
  };
  std::vector<std::size_t> keyFields_;
  std::vector<KeyColumn> keyColumns_;  // one per key field
};

}  // namespace engine
