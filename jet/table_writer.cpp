// table_writer.cpp: one row update: locate the row (following an overflow pointer), rebuild it
// with the new cells, then put it back in place, elsewhere on its page, or on another page.
#include "jet/table_writer.h"

#include <algorithm>

#include "jet/core/bytes.h"
#include "jet/core/error_codes.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/row/cell_codec.h"
#include "jet/row/row_codec.h"

namespace jet {
namespace {

// A moved row's slot keeps u8 row then u24 page of where the data went.
ByteVector overflowPointer(RowLocator to) {
  ByteVector b(4, 0);
  put8(b, 0, static_cast<std::uint8_t>(to.row));
  put24(b, 1, to.page);
  return b;
}

RowLocator readPointer(Bytes b) { return RowLocator{u24(b, 1), u8(b, 0)}; }

bool isTextual(ColumnType t) { return t == ColumnType::kText || t == ColumnType::kMemo; }
bool isLongValue(ColumnType t) { return t == ColumnType::kMemo || t == ColumnType::kOle; }

// The end of the fixed area when every fixed column of the table is present.
std::size_t fullFixedSize(const TableDef& def) {
  std::size_t end = 0;
  for (const auto& c : def.columns) {
    if (c.fixed()) end = std::max(end, std::size_t{c.fixedOffset} + c.length);
  }
  return end;
}

// The bytes of a row of `table` whose every column is null.
std::size_t nullRowSize(const TableStorage& table, const Format& f) {
  RowLayout layout;
  layout.hasVariableTable = table.hasVariableColumns();
  layout.widen(table.maxColumns, table.variableColumns);
  layout.fixed.resize(fullFixedSize(table.def), 0);
  return joinedSize(layout, f);
}

// How many pages of the free-space map the first move of a session tries, last first.
constexpr std::size_t kOfferedPagesTried = 8;

}  // namespace

TableWriter::TableWriter(PageCache& pages, PageAllocator& allocator, TableStorage table,
                         const Format& format, std::uint16_t codePage, std::string file,
                         Version version)
    : pages_(pages),
      allocator_(allocator),
      longValues_(pages, allocator, format),
      table_(std::move(table)),
      format_(format),
      codePage_(codePage),
      file_(std::move(file)),
      indexes_(pages, allocator, table_.def, format.jet3 ? Version::kJet3 : version, codePage,
               table_.hasVariableColumns(), file_) {
  minimalRow_ = nullRowSize(table_, format_);
}

Result<ByteVector> TableWriter::encodeCell(const Column& c, const Value& value) const {
  auto stored = encodeVariableCell(c, value, format_, codePage_);
  if (!stored) {
    return Error{stored.error().number, "column " + c.name + " of table " + table_.def.name + ": " +
                                            stored.error().description};
  }
  return stored;
}

std::string TableWriter::where(RowLocator at) const {
  return "table " + table_.def.name + " of " + file_ + ", row at page " + std::to_string(at.page) +
         " slot " + std::to_string(at.row);
}

Status TableWriter::checkColumn(std::size_t index, const Value& value) const {
  const auto& def = table_.def;
  if (index >= def.columns.size()) {
    return Error{err::kNoSuchColumn,
                 "table " + def.name + " has no column number " + std::to_string(index)};
  }
  const Column& c = def.columns[index];
  auto name = [&] { return "column " + c.name + " of table " + def.name; };
  if (def.tableType == kSystemTableType) {
    return Error{err::kNotWritable,
                 "table " + def.name + " is one of Access's system tables; it cannot be changed"};
  }
  if (c.type == ColumnType::kComplex) {
    return Error{err::kNotWritable,
                 name() + " holds attachments or several values; it cannot be changed"};
  }
  if (c.calculated()) {
    return Error{err::kNotWritable,
                 name() + " is calculated from other columns; it cannot be changed"};
  }
  if (c.type == ColumnType::kOle) {
    if (!value.isNull && !value.text.empty()) {
      return Error{err::kCantConvertValue,
                   name() + " is an OLE object column; it takes bytes, not text"};
    }
    return Status::success();
  }
  if (!isTextual(c.type)) {
    return Error{err::kCantConvertValue, name() + " is not a text, memo or OLE object column (" +
                                             std::string(columnTypeName(c.type)) +
                                             "); it cannot be changed"};
  }
  if (!value.isNull && !value.bytes.empty()) {
    return Error{err::kCantConvertValue, name() + " is a " + std::string(columnTypeName(c.type)) +
                                             " column; it takes text, not bytes"};
  }
  if (c.fixed()) {
    return Error{err::kNotWritable,
                 name() + " is a fixed-length text column; it cannot be changed yet"};
  }
  if (indexes_.indexed(c.number)) JET_TRY(indexes_.checkColumn(c));
  // A text that cannot be stored (too long, or not valid UTF-8) is refused when the row is
  // built, before anything is written.
  return Status::success();
}

Result<TableWriter::Located> TableWriter::locate(RowLocator at) const {
  Located out;
  auto missing = [&] { return Error{err::kBadPage, "no live row in " + where(at)}; };
  if (at.page >= pages_.pageCount()) return missing();
  JET_ASSIGN_OR_RETURN(out.header, pages_.read(at.page));
  DataPageEditor header(out.header, format_.jet3);
  if (out.header[0] != 0x01 || header.owner() != table_.def.tdefPage) {
    return Error{err::kBadPage, where(at) + ": the page does not belong to the table"};
  }
  if (!header.valid()) return Error{err::kBadPage, where(at) + ": the page's row table is damaged"};
  if (at.row >= header.rowCount() || (header.flags(at.row) & DataPageEditor::kRowDeleted) != 0)
    return missing();
  out.dataRow = at.row;
  out.dataFlags = header.flags(at.row);
  if ((out.dataFlags & DataPageEditor::kRowOverflow) == 0) {
    out.data = std::move(out.header);  // the row is on its own page: one copy serves
    return out;
  }
  auto pointer = header.rowBytes(at.row);
  if (pointer.size() < 4) return Error{err::kBadPage, where(at) + ": damaged overflow pointer"};
  RowLocator target = readPointer(pointer);
  if (target.page >= pages_.pageCount()) {
    return Error{err::kBadPage, where(at) + ": overflow pointer past the end of the file"};
  }
  JET_ASSIGN_OR_RETURN(out.data, pages_.read(target.page));
  DataPageEditor data(out.data, format_.jet3);
  if (out.data[0] != 0x01 || !data.valid() || target.row >= data.rowCount() ||
      (data.flags(target.row) & DataPageEditor::kRowOverflow) != 0) {
    return Error{err::kBadPage, where(at) + ": the overflow pointer leads to no row"};
  }
  out.target = target;
  out.dataRow = target.row;
  out.dataFlags = data.flags(target.row);
  return out;
}

Result<ByteVector> TableWriter::buildRow(std::span<const std::uint8_t> old,
                                         const CellChanges& changes,
                                         std::vector<ByteVector>& released) {
  auto split = splitRow(old, format_, table_.hasVariableColumns());
  if (!split) return split.error();
  RowLayout layout = std::move(split).value();
  struct Memo {
    const Column* column;
    ByteVector data;
  };
  std::vector<Memo> memos;
  for (const auto& [index, value] : changes) {
    const Column& c = table_.def.columns[index];
    if (c.number >= layout.columnCount || c.varIndex >= layout.variable.size()) {
      layout.widen(
          std::max<std::uint16_t>(table_.maxColumns, static_cast<std::uint16_t>(c.number + 1)),
          std::max<std::size_t>(table_.variableColumns, c.varIndex + 1u));
      if (layout.fixed.size() < fullFixedSize(table_.def))
        layout.fixed.resize(fullFixedSize(table_.def), 0);
    }
    ByteVector& piece = layout.variable[c.varIndex];
    if (isLongValue(c.type) && layout.notNull(c.number) &&
        piece.size() >= kLongValueDescriptorSize) {
      released.push_back(piece);
    }
    layout.setNotNull(c.number, !value.isNull);
    piece.clear();
    if (value.isNull) continue;
    JET_ASSIGN_OR_RETURN(ByteVector stored, encodeCell(c, value));
    if (isLongValue(c.type)) {
      piece.assign(kLongValueDescriptorSize, 0);  // placeholder until the value is stored
      memos.push_back(Memo{&c, std::move(stored)});
    } else {
      piece = std::move(stored);
    }
  }
  std::size_t size = joinedSize(layout, format_);
  if (size > format_.maxRowSize) {
    return Error{err::kRowTooLarge, "the changed row of table " + table_.def.name + " would take " +
                                        std::to_string(size) + " bytes; a row holds at most " +
                                        std::to_string(format_.maxRowSize)};
  }
  for (auto& memo : memos) {
    std::size_t room = format_.maxRowSize - size + kLongValueDescriptorSize;
    auto maps = table_.longValueMaps.find(memo.column->number);
    const LongValueColumnMaps* lv = maps == table_.longValueMaps.end() ? nullptr : &maps->second;
    JET_ASSIGN_OR_RETURN(ByteVector descriptor, longValues_.write(memo.data, lv, room));
    size += descriptor.size() - kLongValueDescriptorSize;
    layout.variable[memo.column->varIndex] = std::move(descriptor);
  }
  return joinRow(layout, format_);
}

// The free-space map is a hint: each page it offers is checked, and one found full leaves it.
Result<std::optional<std::uint32_t>> TableWriter::offeredPage(std::size_t size,
                                                              std::uint32_t avoid) {
  if (!table_.free.valid()) return std::optional<std::uint32_t>{};
  auto offered = UsageMapEditor(pages_, table_.free, format_.jet3).pages();
  if (!offered.ok()) return std::optional<std::uint32_t>{};
  std::size_t tried = 0;
  for (auto it = offered->rbegin(); it != offered->rend() && tried < kOfferedPagesTried; ++it) {
    std::uint32_t number = *it;
    if (number == avoid || number >= pages_.pageCount()) continue;
    ++tried;
    JET_ASSIGN_OR_RETURN(const Page* seen, pages_.view(number));
    const Page& page = *seen;
    DataPageEditor data(const_cast<Page&>(page), format_.jet3);  // only looked at
    if (page[0] != 0x01 || data.owner() != table_.def.tdefPage || !data.valid()) continue;
    if (data.fits(size)) return std::optional<std::uint32_t>{number};
    JET_TRY(noteRoom(number));
  }
  return std::optional<std::uint32_t>{};
}

Result<std::uint32_t> TableWriter::pageWithRoom(std::size_t size, std::uint32_t avoid) {
  if (lastTarget_ && *lastTarget_ != avoid && *lastTarget_ < pages_.pageCount()) {
    JET_ASSIGN_OR_RETURN(const Page* seen, pages_.view(*lastTarget_));
    const Page& page = *seen;
    DataPageEditor data(const_cast<Page&>(page), format_.jet3);  // only looked at
    if (page[0] == 0x01 && data.owner() == table_.def.tdefPage && data.fits(size))
      return *lastTarget_;
  }
  if (!lastTarget_) {  // first move of this session: a page the free-space map offers
    JET_ASSIGN_OR_RETURN(auto offered, offeredPage(size, avoid));
    if (offered) {
      lastTarget_ = *offered;
      return *offered;
    }
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t number, allocator_.allocate());
  Page page(pages_.pageSize());
  DataPageEditor::initialise(page, format_.jet3, table_.def.tdefPage, false);
  JET_TRY(pages_.write(number, std::move(page)));
  JET_TRY(UsageMapEditor(pages_, table_.owned, format_.jet3, &allocator_).set(number, true));
  if (table_.free.valid())
    JET_TRY(UsageMapEditor(pages_, table_.free, format_.jet3, &allocator_).set(number, true));
  lastTarget_ = number;
  return number;
}

Status TableWriter::noteRoom(std::uint32_t number) {
  if (!table_.free.valid()) return Status::success();
  JET_ASSIGN_OR_RETURN(const Page* seen, pages_.view(number));
  const Page& page = *seen;
  DataPageEditor data(const_cast<Page&>(page), format_.jet3);  // only looked at
  if (page[0] != 0x01 || data.owner() != table_.def.tdefPage || !data.valid())
    return Status::success();
  const bool room = data.fits(minimalRow_);
  UsageMapEditor map(pages_, table_.free, format_.jet3, &allocator_);
  JET_ASSIGN_OR_RETURN(bool listed, map.contains(number, false));
  if (listed == room) return Status::success();
  return map.set(number, room);
}

Status TableWriter::place(RowLocator at, Located& found, const ByteVector& row,
                          std::vector<std::uint32_t>& touched) {
  std::uint32_t dataPage = found.target ? found.target->page : at.page;
  touched.push_back(dataPage);
  {
    DataPageEditor data(found.data, format_.jet3);
    if (data.replace(found.dataRow, row, found.dataFlags)) {
      return pages_.write(dataPage, std::move(found.data));
    }
  }
  if (found.target) {  // free the old overflow row before moving the data again
    DataPageEditor data(found.data, format_.jet3);
    // A freed row is marked deleted as Access marks it (both bits): a lone 0x8000 is a moved
    // row's data, which readers still follow.
    if (!data.replace(found.dataRow, {},
                      DataPageEditor::kRowDeleted | DataPageEditor::kRowOverflow)) {
      return Error{err::kBadPage, where(at) + ": cannot free the old overflow row"};
    }
    JET_TRY(pages_.write(dataPage, std::move(found.data)));
  }
  JET_ASSIGN_OR_RETURN(std::uint32_t targetPage, pageWithRoom(row.size(), at.page));
  touched.push_back(targetPage);
  touched.push_back(at.page);
  JET_ASSIGN_OR_RETURN(Page target, pages_.read(targetPage));
  auto slot = DataPageEditor(target, format_.jet3).append(row, DataPageEditor::kRowDeleted);
  if (!slot) return Error{err::kBadPage, where(at) + ": no room for the moved row"};
  JET_TRY(pages_.write(targetPage, std::move(target)));
  JET_ASSIGN_OR_RETURN(Page header, pages_.read(at.page));
  auto pointer = overflowPointer(RowLocator{targetPage, static_cast<std::uint16_t>(*slot)});
  if (!DataPageEditor(header, format_.jet3)
           .replace(at.row, pointer, DataPageEditor::kRowOverflow)) {
    return Error{err::kBadPage, where(at) + ": cannot write the overflow pointer"};
  }
  return pages_.write(at.page, std::move(header));
}

Status TableWriter::updateRow(RowLocator at, const CellChanges& changes) {
  for (const auto& [index, value] : changes) JET_TRY(checkColumn(index, value));
  JET_ASSIGN_OR_RETURN(Located found, locate(at));
  pages_.mark();
  std::vector<ByteVector> released;
  auto status = [&]() -> Status {
    // found.data stays as read until place() below, so the old row is read where it lies.
    const std::span<const std::uint8_t> oldRow =
        DataPageEditor(found.data, format_.jet3).rowBytes(found.dataRow);
    JET_ASSIGN_OR_RETURN(ByteVector row, buildRow(oldRow, changes, released));
    std::vector<std::uint16_t> changed;
    for (const auto& change : changes) changed.push_back(table_.def.columns[change.first].number);
    JET_TRY(indexes_.update(at, oldRow, row, changed));
    std::vector<std::uint32_t> touched;
    JET_TRY(place(at, found, row, touched));
    for (std::uint32_t page : touched) JET_TRY(noteRoom(page));
    for (const auto& descriptor : released) JET_TRY(longValues_.release(descriptor));
    return Status::success();
  }();
  if (!status.ok()) pages_.undo();
  return status;
}

}  // namespace jet
