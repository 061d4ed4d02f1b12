// table_pages.cpp: owned-map walk and a small MSysObjects listing (Id, Name, Type 1 = local table).
#include "jet/schema/table_pages.h"

#include "jet/page/data_page.h"
#include "jet/row/row_layout.h"
#include "jet/core/text_codec.h"
#include "jet/page/usage_map.h"

namespace jet {

Result<std::vector<std::uint32_t>> tableDataPages(const PageCache& pages, const TableStorage& table,
                                                  bool jet3) {
  UsageMapEditor owned(const_cast<PageCache&>(pages), table.owned, jet3);
  JET_ASSIGN_OR_RETURN(auto listed, owned.pages());
  std::vector<std::uint32_t> out;
  for (auto number : listed) {
    if (number >= pages.pageCount()) continue;
    JET_ASSIGN_OR_RETURN(Page page, pages.read(number));
    if (page[0] == 0x01 && DataPageEditor(page, jet3).owner() == table.def.tdefPage)
      out.push_back(number);
  }
  return out;
}

Result<std::vector<RowLocator>> tableRowLocators(const PageCache& pages, const TableStorage& table,
                                                 bool jet3) {
  JET_ASSIGN_OR_RETURN(auto dataPages, tableDataPages(pages, table, jet3));
  std::vector<RowLocator> out;
  for (auto number : dataPages) {
    JET_ASSIGN_OR_RETURN(Page page, pages.read(number));
    DataPageEditor data(page, jet3);
    for (std::size_t i = 0; i < data.rowCount(); ++i) {
      if ((data.flags(i) & DataPageEditor::kRowDeleted) == 0) {
        out.push_back(RowLocator{number, static_cast<std::uint16_t>(i)});
      }
    }
  }
  return out;
}

Result<std::vector<LocalTable>> localTables(const PageCache& pages, bool jet3) {
  JET_ASSIGN_OR_RETURN(TableStorage objects, readTableStorage(pages, 2, jet3, "MSysObjects"));
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
  JET_ASSIGN_OR_RETURN(auto slots, tableRowLocators(pages, objects, jet3));
  for (auto slot : slots) {
    JET_ASSIGN_OR_RETURN(Page page, pages.read(slot.page));
    DataPageEditor data(page, jet3);
    if ((data.flags(slot.row) & DataPageEditor::kRowOverflow) != 0) continue;
    auto layout = splitRow(data.rowBytes(slot.row), jet3, true);
    if (!layout) continue;
    std::size_t countSize = jet3 ? 1 : 2;
    (void)countSize;
    const auto& f = layout->fixed;
    if (std::size_t{type->fixedOffset} + 2 > f.size() ||
        std::size_t{id->fixedOffset} + 4 > f.size())
      continue;
    int typeValue =
        static_cast<std::int16_t>(f[type->fixedOffset] | (f[type->fixedOffset + 1] << 8));
    std::uint32_t idValue = static_cast<std::uint32_t>(f[id->fixedOffset]) |
                            (static_cast<std::uint32_t>(f[id->fixedOffset + 1]) << 8) |
                            (static_cast<std::uint32_t>(f[id->fixedOffset + 2]) << 16) |
                            (static_cast<std::uint32_t>(f[id->fixedOffset + 3]) << 24);
    if (typeValue != 1 || name->varIndex >= layout->variable.size()) continue;
    const auto& raw = layout->variable[name->varIndex];
    std::string text = jet3 ? std::string(raw.begin(), raw.end()) : decodeUcs2Text(raw);
    out.push_back(LocalTable{text, idValue & 0x00FFFFFFu});
  }
  return out;
}

}  // namespace jet
