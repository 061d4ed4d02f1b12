// text_value_encoder.cpp: stored text for the writer.
#include "jet/row/text_value_encoder.h"

#include "jet/core/error_codes.h"
#include "jet/core/text_codec.h"

namespace jet {

namespace {

Error tooLong(const Column& column, const std::string& table, std::size_t size, std::size_t limit,
              const char* unit) {
  return Error{err::kDataOverflow, "the value for column " + column.name + " of table " + table +
                                       " has " + std::to_string(size) + " " + unit +
                                       "; the column holds at most " + std::to_string(limit)};
}

}  // namespace

Result<ByteVector> encodeTextValue(const Column& column, std::string_view utf8, bool jet3,
                                   std::uint16_t codePage, const std::string& table) {
  std::size_t chars = utf16Length(utf8);
  bool text = column.type == ColumnType::kText;
  if (text && chars > (jet3 ? column.length : column.length / 2u)) {
    return tooLong(column, table, chars, jet3 ? column.length : column.length / 2u, "characters");
  }
  if (jet3) {
    auto bytes = encodeCodePage(utf8, column.codePage != 0 ? column.codePage : codePage);
    if (!bytes) {
      return Error{err::kCantConvertValue, "column " + column.name + " of table " + table + ": " +
                                               bytes.error().description};
    }
    // Jet3 sizes count bytes of the code page (two for most characters of Asian code pages).
    if (text && bytes->size() > column.length)
      return tooLong(column, table, bytes->size(), column.length, "bytes");
    return std::move(bytes).value();
  }
  auto ucs2 = encodeUcs2(utf8);
  if (!ucs2) {
    return Error{err::kCantConvertValue,
                 "column " + column.name + " of table " + table + ": " + ucs2.error().description};
  }
  bool compress = !ucs2->empty() && column.compressedUnicode() &&
                  (column.type == ColumnType::kText || chars <= kMaxCompressedMemoChars);
  if (compress) return compressUcs2(*ucs2);
  return std::move(ucs2).value();
}

}  // namespace jet
