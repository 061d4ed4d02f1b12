// table_pages.cpp: owned-map walk and a small MSysObjects listing (Id, Name, Type 1 = local table).
#include "jet/row/table_pages.h"

#include "jet/core/bytes.h"
#include "jet/core/text_codec.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/row/row_codec.h"
#include "jet/schema/catalogue.h"

namespace jet {

Result<std::vector<std::uint32_t>> tableDataPages(const PageCache& pages, const TableStorage& table,
                                                  const Format& f) {
  UsageMapEditor owned(const_cast<PageCache&>(pages), table.owned, f.jet3);
  JET_ASSIGN_OR_RETURN(auto listed, owned.pages());
  std::vector<std::uint32_t> out;
  for (auto number : listed) {
    if (number >= pages.pageCount()) continue;
    JET_ASSIGN_OR_RETURN(Page page, pages.read(number));
    if (page[0] == kPageTypeData && DataPageEditor(page, f.jet3).owner() == table.def.tdefPage)
      out.push_back(number);
  }
  return out;
}

Result<std::vector<RowLocator>> tableRowLocators(const PageCache& pages, const TableStorage& table,
                                                 const Format& f) {
  JET_ASSIGN_OR_RETURN(auto dataPages, tableDataPages(pages, table, f));
  std::vector<RowLocator> out;
  for (auto number : dataPages) {
    JET_ASSIGN_OR_RETURN(Page page, pages.read(number));
    DataPageEditor data(page, f.jet3);
    for (std::size_t i = 0; i < data.rowCount(); ++i) {
      if ((data.flags(i) & DataPageEditor::kRowDeleted) == 0) {
        out.push_back(RowLocator{number, static_cast<std::uint16_t>(i)});
      }
    }
  }
  return out;
}

Result<std::vector<LocalTable>> localTables(const PageCache& pages, const Format& f) {
  JET_ASSIGN_OR_RETURN(TableStorage objects,
                       readTableStorage(pages, kCatalogueTdefPage, f, "MSysObjects"));
  const Column* id = nullptr;
  const Column* name = nullptr;
  const Column* type = nullptr;
  for (const auto& c : objects.def.columns) {
    if (c.name == "Id") id = &c;
    if (c.name == "Name") name = &c;
    if (c.name == "Type") type = &c;
  }
  std::vector<LocalTable> out;
  if (id == nullptr || name == nullptr || type == nullptr) return out;
  JET_ASSIGN_OR_RETURN(auto slots, tableRowLocators(pages, objects, f));
  for (auto slot : slots) {
    JET_ASSIGN_OR_RETURN(Page page, pages.read(slot.page));
    DataPageEditor data(page, f.jet3);
    if ((data.flags(slot.row) & DataPageEditor::kRowOverflow) != 0) continue;
    auto layout = splitRow(data.rowBytes(slot.row), f, true);
    if (!layout) continue;
    const Bytes fixed = layout->fixed;
    if (!inBounds(fixed, type->fixedOffset, 2) || !inBounds(fixed, id->fixedOffset, 4)) continue;
    auto typeValue = static_cast<std::int16_t>(u16(fixed, type->fixedOffset));
    auto idValue = static_cast<std::int32_t>(u32(fixed, id->fixedOffset));
    if (typeValue != kObjectLocalTable || name->varIndex >= layout->variable.size()) continue;
    const auto& raw = layout->variable[name->varIndex];
    std::string text = f.jet3 ? std::string(raw.begin(), raw.end()) : decodeUcs2Text(raw);
    out.push_back(LocalTable{text, tablePageOfObject(idValue)});
  }
  return out;
}

}  // namespace jet
