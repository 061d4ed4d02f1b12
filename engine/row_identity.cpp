// row_identity.cpp: key values as text, and naming rows by key or locator.
#include "engine/row_identity.h"

#include <cstdint>

#include "db/primary_key.h"
#include "jet/core/value_format.h"

namespace engine {

std::string RowIdentity::text() const {
  if (key.empty()) {
    return "row at page " + std::to_string(locator.page) + ", slot " +
           std::to_string(locator.row);
  }
  std::string out;
  for (const KeyPart& part : key) {
    if (!out.empty()) out += ", ";
    out += part.column + "=" + part.value;
  }
  return out;
}

bool RowIdentity::sameKey(const RowIdentity& other) const {
  if (key.size() != other.key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (key[i].value != other.key[i].value) return false;
  }
  return true;
}

std::string keyValueText(jet::ColumnType type, const jet::Value& v) {
  using jet::ColumnType;
  if (v.isNull) return {};
  switch (type) {
    case ColumnType::kBoolean:
      return v.boolean ? "True" : "False";
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kComplex:
      return std::to_string(v.integer);
    case ColumnType::kBigInt:
      return v.text.empty() ? std::to_string(v.integer) : v.text;
    case ColumnType::kCurrency:
      return v.text.empty() ? jet::formatCurrency(v.integer) : v.text;
    case ColumnType::kSingle:
      return jet::formatSingle(static_cast<float>(v.real));
    case ColumnType::kDouble:
      return jet::formatDouble(v.real);
    case ColumnType::kDateTime:
      return v.text.empty() ? jet::formatDateTime(v.real) : v.text;
    case ColumnType::kBinary:
    case ColumnType::kOle:
      return jet::formatHex(v.bytes);
    default:
      return v.text;
  }
}

RowNamer::RowNamer(const jet::TableDef& table) : keyFields_(db::primaryKeyFields(table)) {
  for (std::size_t k : keyFields_) {
    keyColumns_.push_back(KeyColumn{table.columns[k].name, table.columns[k].type});
  }
}

bool RowNamer::isKeyField(std::size_t k) const {
  for (std::size_t f : keyFields_) {
    if (f == k) return true;
  }
  return false;
}

RowIdentity RowNamer::name(const std::vector<jet::Value>& values, jet::RowLocator where) const {
  RowIdentity id;
  id.locator = where;
  for (std::size_t i = 0; i < keyFields_.size(); ++i) {
    const std::size_t k = keyFields_[i];
    const KeyColumn& column = keyColumns_[i];
    id.key.push_back(KeyPart{
        column.name, k < values.size() ? keyValueText(column.type, values[k]) : std::string()});
  }
  return id;
}

RowIdentity RowNamer::name(const db::Recordset& records, std::size_t changed,
                           const std::string* newText) const {
  RowIdentity id;
  id.locator = records.locator();
  for (std::size_t i = 0; i < keyFields_.size(); ++i) {
    const std::size_t k = keyFields_[i];
    const KeyColumn& column = keyColumns_[i];
    std::string value = k == changed && newText != nullptr
                            ? *newText
                            : keyValueText(column.type, records.value(k));
    id.key.push_back(KeyPart{column.name, std::move(value)});
  }
  return id;
}

}  // namespace engine
