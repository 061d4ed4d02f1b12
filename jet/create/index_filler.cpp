// index_filler.cpp: keys per row, sorting and building of a new table's indexes.
#include "jet/create/index_filler.h"

#include <algorithm>
#include <optional>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/core/format.h"
#include "jet/create/index_bulk_builder.h"
#include "jet/index/index_key.h"
#include "jet/create/index_layout.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/schema/table_def.h"
#include "jet/index/index_maintainer.h"

namespace jet {
namespace {

bool isText(ColumnType t) { return t == ColumnType::kText || t == ColumnType::kMemo; }

std::string shown(const std::vector<KeyPart>& parts) {
  std::string out;
  for (const KeyPart& p : parts) {
    if (!out.empty()) out += ", ";
    if (p.value.isNull) {
      out += "(null)";
    } else if (isText(p.type)) {
      out += "\"" + p.value.text + "\"";
    } else if (p.type == ColumnType::kBoolean) {
      out += p.value.boolean ? "true" : "false";
    } else if (p.type == ColumnType::kSingle || p.type == ColumnType::kDouble ||
               p.type == ColumnType::kDateTime) {
      out += std::to_string(p.value.real);
    } else {
      out += std::to_string(p.value.integer);
    }
  }
  return out;
}

}  // namespace

struct IndexFiller::Index {
  const IndexDef* def = nullptr;
  std::string name;                  // "PrimaryKey" of table "T"
  std::vector<std::size_t> columns;  // positions in the row's values
  std::unique_ptr<IndexSorter> entries;
  std::vector<std::uint32_t> pages;
  std::uint64_t entryCount = 0;
  std::uint64_t distinctKeys = 0;
};

IndexFiller::IndexFiller(PageStore& pages, Version version, const TableDef& table,
                         std::string spillPrefix, std::size_t budget)
    : pages_(pages), version_(version), table_(table) {
  std::size_t share = budget / std::max<std::size_t>(table.indexes.size(), 1);
  std::size_t file = 0;
  for (const IndexDef& ix : table.indexes) {
    auto index = std::make_unique<Index>();
    index->def = &ix;
    std::string name(1, '"');
    name += indexDisplayName(table, ix);
    name += "\" of table \"";
    name += table.name;
    name += '"';
    index->name = std::move(name);
    for (const IndexColumn& c : ix.columns) {
      for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].number == c.columnNumber) index->columns.push_back(i);
      }
    }
    index->entries = std::make_unique<IndexSorter>(spillPrefix + std::to_string(file++), share);
    indexes_.push_back(std::move(index));
  }
}

IndexFiller::~IndexFiller() = default;

Result<IndexFiller::RowKeys> IndexFiller::keys(const std::vector<Value>& values) const {
  RowKeys out;
  if (values.size() != table_.columns.size()) return out;  // the row encoder refuses the row
  for (const auto& index : indexes_) {
    std::vector<KeyPart> parts;
    for (std::size_t position = 0; position < index->columns.size(); ++position) {
      std::size_t i = index->columns[position];
      const Column& c = table_.columns[i];
      JET_ASSIGN_OR_RETURN(KeyPart p,
                           keyPartOf(c, index->def->columns[position].ascending, version_));
      p.value = i < values.size() ? values[i] : Value{};
      if (c.type == ColumnType::kBoolean) {  // stored in the null mask: never null
        p.value.boolean = !p.value.isNull && p.value.boolean;
        p.value.isNull = false;
      }
      if (p.value.isNull && (index->def->flags & kIndexRequired) != 0) {
        return Error{err::kCantConvertValue, "Column \"" + c.name + "\" of table \"" + table_.name +
                                                 "\" is part of the index " + index->name +
                                                 " and cannot be empty (null)."};
      }
      parts.push_back(std::move(p));
    }
    std::vector<SortEntry> entries;
    bool allNull =
        std::all_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.value.isNull; });
    if (!(allNull && (index->def->flags & kIndexIgnoreNulls) != 0)) {
      auto key = encodeIndexKey(parts);
      if (!key.ok()) {
        return Error{key.error().number, "Index " + index->name + ": " + key.error().description};
      }
      // Unique indexes carry the value for the message; keys whose columns are all null never
      // collide, so theirs stays empty.
      bool unique = (index->def->flags & kIndexUnique) != 0;
      entries.push_back(SortEntry{std::move(*key), {}, unique && !allNull ? shown(parts) : ""});
    }
    out.perIndex.push_back(std::move(entries));
  }
  return out;
}

Status IndexFiller::add(RowKeys keys, RowLocator at) {
  for (std::size_t i = 0; i < indexes_.size() && i < keys.perIndex.size(); ++i) {
    auto& entries = keys.perIndex[i];
    for (auto& entry : entries) {
      entry.row = at;
      JET_TRY(indexes_[i]->entries->add(std::move(entry)));
    }
  }
  return {};
}

Status IndexFiller::build(Index& index) {
  IndexBulkBuilder builder(pages_, formatFor(version_), table_.tdefPage, index.def->rootPage,
                           "index " + index.name);
  // Text keys carry no letter case (the code tables give both cases one code), so equal keys
  // are what Access counts as the same value: "abc" and "ABC" collide.
  std::optional<std::vector<std::uint8_t>> previous;
  JET_TRY(index.entries->drain([&](const SortEntry& e) -> Status {
    if (!e.note.empty() && previous && *previous == e.key) {
      return Error{err::kUniqueViolation,
                   "The unique index " + index.name + " would hold the value " + e.note +
                       " twice (Access ignores case here); the database was not created."};
    }
    previous = e.key;
    ++index.entryCount;
    IndexEntry entry;
    entry.key = e.key;
    entry.row = e.row;
    return builder.add(entry);
  }));
  index.entries.reset();
  JET_TRY(builder.finish());
  index.pages = builder.pagesWritten();
  index.distinctKeys = builder.distinctKeys();
  return {};
}

Status IndexFiller::writeMaps() {
  if (indexes_.empty()) return {};
  const Format& f = formatFor(version_);
  std::uint32_t mapPageNumber = indexes_.front()->def->usageMapRow >> 8;
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> mapPage, pages_.read(mapPageNumber));
  for (const auto& index : indexes_) {
    std::map<std::uint32_t, std::uint32_t> slots;
    for (auto& [slot, bitmap] : buildBitmapPages(index->pages, f.pageSize)) {
      if (slot >= referenceSlots()) {
        return Error{err::kUnsupported,
                     "Index " + index->name + " grew past the largest file this engine can map."};
      }
      std::uint32_t page = pages_.reserve();
      JET_TRY(pages_.write(page, bitmap));
      slots[slot] = page;
    }
    std::vector<std::uint8_t> row = referenceMapRow(slots);
    std::uint32_t pointer = index->def->usageMapRow;
    if ((pointer >> 8) != mapPageNumber) {
      return Error{err::kBadPage, "Index " + index->name + ": its usage map is not on page " +
                                      std::to_string(mapPageNumber) + "."};
    }
    std::size_t start = u16(mapPage, f.dataRowTable + 2 * (pointer & 0xFF)) & kRowOffsetMask;
    if (start + row.size() > mapPage.size()) {
      return Error{err::kBadPage, "Index " + index->name + ": its usage-map row is damaged."};
    }
    std::copy(row.begin(), row.end(), mapPage.begin() + static_cast<std::ptrdiff_t>(start));
  }
  return pages_.write(mapPageNumber, mapPage);
}

// Access keeps two counts per real index in the definition, both advisory: its entries (rows
// that have one; Access 2007 and later keep it, earlier versions often leave 0) and its distinct
// keys (only ever raised). A new index starts with its true counts.
Status IndexFiller::writeKeyCounts() {
  const Format& f = formatFor(version_);
  JET_ASSIGN_OR_RETURN(std::vector<std::uint8_t> tdef, pages_.read(table_.tdefPage));
  auto clamp = [](std::uint64_t n) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFu));
  };
  for (std::size_t i = 0; i < indexes_.size(); ++i) {
    setIndexCounts(tdef, f, static_cast<std::uint32_t>(i), clamp(indexes_[i]->entryCount),
                   clamp(indexes_[i]->distinctKeys));
  }
  return pages_.write(table_.tdefPage, tdef);
}

Status IndexFiller::finish() {
  for (auto& index : indexes_) JET_TRY(build(*index));
  JET_TRY(writeKeyCounts());
  return writeMaps();
}

}  // namespace jet
