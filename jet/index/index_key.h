// index_key.h: the key bytes Access stores in index entries, for every indexable column type,
// ascending or descending, and which text sort order a column uses. Page layout is
// index_page.h's; byte tables in docs/format/indexes.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/schema/schema.h"
#include "jet/index/index_codes.h"
#include "jet/core/status.h"
#include "jet/core/types.h"

namespace jet {

// One column of an index and the row's value for it (members of Value as types.h lists them).
struct KeyPart {
  ColumnType type = ColumnType::kText;
  bool ascending = true;
  TextSortOrder sortOrder = TextSortOrder::kGeneralLegacy;  // text and memo
  Version version = Version::kJet4;  // decimal keys changed layout with ACE12
  std::uint8_t scale = 0;            // decimal
  std::string column;                // named in errors
  Value value;
};

// The key of an entry: for each part a start flag (7F ascending, 80 descending; a null is the
// single byte 00 / FF) and the encoded value. Fails with kCantConvertValue when a value does not
// fit its type and kUnsupported for types Access cannot index (OLE, complex attachments...).
Result<std::vector<std::uint8_t>> encodeIndexKey(const std::vector<KeyPart>& parts);

// The sort order of a text column from its descriptor: LCID 1033 ("General") is General 97 in
// Jet3 files, General Legacy (version 0) or General (version 1) later. Any other sort order is
// kUnsupported naming it and the column: keys in another collation cannot be rebuilt.
Result<TextSortOrder> textSortOrderOf(Version version, std::uint16_t sortOrder,
                                      std::uint8_t sortOrderVersion, std::string_view column);

// The key part of column `c` in a file of `version`, its value left null: type, direction,
// scale, name and, for text and memo, the sort order from the descriptor (as textSortOrderOf).
Result<KeyPart> keyPartOf(const Column& c, bool ascending, Version version);

std::string_view textSortOrderName(TextSortOrder order);  // "General", "General Legacy", ...

}  // namespace jet
