// quoting_test.cpp: JSON string literals and CSV fields as the command line writes them.
#include "cli/quoting.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(JsonString, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(jsonString(""), R"("")");
  EXPECT_EQ(jsonString("say \"hi\"\\"), R"("say \"hi\"\\")");
  EXPECT_EQ(jsonString("a\tb\nc\rd\be\f"), R"("a\tb\nc\rd\be\f")");
  EXPECT_EQ(jsonString(std::string_view("\0\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\x7f\"");
  EXPECT_EQ(jsonString("/"), R"("/")");
  // Each byte that needs care at every place of a longer text, where plain ASCII is read eight
  // bytes at a time.
  const std::pair<std::string_view, std::string_view> kCases[] = {
      {"\"", "\\\""}, {"\\", "\\\\"}, {"\n", "\\n"}, {std::string_view("\0", 1), "\\u0000"},
      {"\x1f", "\\u001f"}, {"\xC3\xA9", "\xC3\xA9"}, {"\xFF", "\xEF\xBF\xBD"}};
  for (const auto& [in, out] : kCases) {
    for (std::size_t at = 0; at <= 20; ++at) {
      std::string text(at, 'x'), want(1, '"');
      text.append(in).append(20 - at, 'x');
      want.append(at, 'x').append(out).append(20 - at, 'x').append(1, '"');
      EXPECT_EQ(jsonString(text), want) << "at " << at;
    }
  }
}

TEST(JsonString, KeepsUtf8AndReplacesInvalidBytes) {
  EXPECT_EQ(jsonString("Grüße 日本 😀"), "\"Grüße 日本 😀\"");
  EXPECT_EQ(jsonString("a\xFF"
                       "b"),
            "\"a\xEF\xBF\xBD"
            "b\"");
  EXPECT_EQ(jsonString("\xC3"), "\"\xEF\xBF\xBD\"");                                  // cut short
  EXPECT_EQ(jsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");                  // overlong
  EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // surrogate
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(csvField("plain text"), "plain text");
  EXPECT_EQ(csvField(""), "");
  EXPECT_EQ(csvField("a,b"), "\"a,b\"");
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csvField("line\r\nbreak"), "\"line\r\nbreak\"");
  EXPECT_EQ(csvField("lf\n"), "\"lf\n\"");
  EXPECT_EQ(csvField("Grüße; 'x'"), "Grüße; 'x'");
  // The special byte anywhere in a longer text, and near misses of it (bytes one above).
  for (const char special : {',', '"', '\r', '\n'}) {
    for (std::size_t at = 0; at < 20; ++at) {
      std::string text(20, static_cast<char>(special + 1));
      EXPECT_EQ(csvField(text), text);
      text[at] = special;
      EXPECT_EQ(csvField(text).front(), '"') << int{special} << " at " << at;
    }
  }
}

}  // namespace
}  // namespace cli
