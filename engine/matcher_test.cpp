// matcher_test.cpp: each match option against a naive reference on random text from many
// scripts, the refusals, and a pattern that would take forever on a long memo.
#include "engine/matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <chrono>
#include <random>

#include "engine/replacement_run.h"
#include "engine/run_test_support.h"
#include "db/recording_error_reporter.h"

namespace engine {
namespace {

// Letters with special foldings (ß, ﬁ, İ, final sigma), Greek, Cyrillic, CJK, astral letters
// with and without case, digits, the underscore and separators.
const std::vector<std::string> kAlphabet = {
    "a", "A", "s", "S", "i", "f", "\xc3\x9f", "\xc3\xa9", "\xc3\x89", "\xef\xac\x81",
    "\xc4\xb0", "\xce\xa3", "\xcf\x83", "\xcf\x82", "\xd0\x94", "\xd0\xb4", "\xe4\xb8\xad",
    "\xf0\x90\x90\x80", "\xf0\x90\x90\xa8", "\xf0\x9d\x90\x80", "1", "_", " ", "-"};

std::string randomText(std::mt19937& random, std::size_t max) {
  std::string s;
  for (std::size_t n = random() % (max + 1); n > 0; --n) s += kAlphabet[random() % kAlphabet.size()];
  return s;
}

std::vector<std::size_t> boundaries(const std::string& s) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) at.push_back(i);
  }
  return at;
}

std::string folded(std::string_view s) {
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())))
      .foldCase()
      .toUTF8String(out);
  return out;
}

bool wordAt(const std::string& s, std::size_t i) {
  UChar32 c = icu::UnicodeString::fromUTF8(s.substr(i, 4)).char32At(0);
  int8_t type = u_charType(c);
  return c == '_' || type == U_DECIMAL_DIGIT_NUMBER ||
         (type >= U_UPPERCASE_LETTER && type <= U_OTHER_LETTER);
}

// Every start and end that lies on a character boundary, tried in order: the first end whose
// text equals the find text (folded when case is ignored) and that passes the word test wins.
std::string naiveReplace(const std::string& value, const std::string& find,
                         const std::string& replace, bool ignoreCase, bool wholeWord) {
  if (value.empty() || find.empty()) return value;
  const auto at = boundaries(value);
  const std::string want = ignoreCase ? folded(find) : find;
  std::string out;
  std::size_t from = 0;
  for (std::size_t b = 0; b + 1 < at.size();) {
    if (at[b] < from) {
      ++b;
      continue;
    }
    std::size_t hit = 0;
    for (std::size_t e = b + 1; e < at.size() && hit == 0; ++e) {
      std::string piece = value.substr(at[b], at[e] - at[b]);
      if ((ignoreCase ? folded(piece) : piece) != want) continue;
      bool touches = (b > 0 && wordAt(value, at[b - 1])) ||
                     (e + 1 < at.size() && wordAt(value, at[e]));
      if (!wholeWord || !touches) hit = e;
    }
    if (hit == 0) {
      ++b;
      continue;
    }
    out += value.substr(from, at[b] - from) + replace;
    from = at[hit];
    b = hit;
  }
  return out + value.substr(from);
}

std::string pcreSubstitute(const std::string& pattern, const std::string& value,
                           const std::string& replacement) {
  int code;
  PCRE2_SIZE offset;
  pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(),
                                 PCRE2_UTF | PCRE2_UCP, &code, &offset, nullptr);
  std::string out(value.size() * 8 + 64, '\0');
  PCRE2_SIZE length = out.size();
  pcre2_substitute(re, reinterpret_cast<PCRE2_SPTR>(value.c_str()), value.size(), 0,
                   PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_UNSET_EMPTY, nullptr, nullptr,
                   reinterpret_cast<PCRE2_SPTR>(replacement.c_str()), replacement.size(),
                   reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
  pcre2_code_free(re);
  out.resize(length);
  return out;
}

std::string applied(const std::string& find, const std::string& replace, MatchOptions options,
                    const std::string& value) {
  auto m = Matcher::compile(find, replace, options);
  EXPECT_TRUE(m.ok()) << m.error().description;
  if (!m.ok()) return "";
  ValueMatch r = m.value()->apply(value);
  return r.matched ? r.value : value;
}

TEST(Matcher, IgnoreCaseAndWholeWordAgreeWithTheNaiveReference) {
  std::mt19937 random(15);
  for (int round = 0; round < 3000; ++round) {
    const std::string find = randomText(random, 3);
    const std::string value = randomText(random, 14);
    if (find.empty()) continue;
    const bool ignoreCase = round % 3 != 1;
    const bool wholeWord = round % 3 != 0;
    ASSERT_EQ(applied(find, "<>", {ignoreCase, wholeWord, false}, value),
              naiveReplace(value, find, "<>", ignoreCase, wholeWord))
        << "find " << find << " in " << value << " case " << ignoreCase << " word " << wholeWord;
  }
}

TEST(Matcher, FoldingIsFullAndTheReplacementGoesInAsTyped) {
  MatchOptions caseless{true, false, false};
  EXPECT_EQ(applied("STRASSE", "Weg", caseless, "Hauptstra\xc3\x9f" "e 1"), "HauptWeg 1");
  EXPECT_EQ(applied("\xcf\x83", "x", caseless, "\xce\xa3\xcf\x82"), "xx");  // Σ ς match σ
  EXPECT_EQ(applied("\xf0\x90\x90\x80", "X", caseless, "a\xf0\x90\x90\xa8"), "aX");
  // Half of a folded ß is no match.
  EXPECT_EQ(applied("s", "z", caseless, "\xc3\x9f"), "\xc3\x9f");
  EXPECT_EQ(applied("cat", "Dog", {false, true, false}, "cat cats _cat \xc3\xa9" "cat cat."),
            "Dog cats _cat \xc3\xa9" "cat Dog.");
}

TEST(Matcher, RegexAgreesWithPcreSubstituteAndKnowsItsGroups) {
  std::mt19937 random(3);
  const std::vector<std::string> atoms = {"a", "\xd0\x94", "\\p{Lu}", "[\xce\xa3\xcf\x83]",
                                          "\\d", "\xe4\xb8\xad", "."};
  for (int round = 0; round < 500; ++round) {
    std::string pattern = "(" + atoms[random() % atoms.size()] + ")(?<tail>" +
                          atoms[random() % atoms.size()] + "+)?";
    std::string value = randomText(random, 14) + "a\xd0\x94";
    ASSERT_EQ(applied(pattern, "[${tail}|$1$$]", {false, false, true}, value),
              pcreSubstitute(pattern, value, "[${tail}|$1$$]"))
        << pattern << " in " << value;
  }
  // Whole words and a quoted literal give what the literal search gives.
  std::mt19937 words(9);
  for (int round = 0; round < 300; ++round) {
    std::string find = randomText(words, 3), value = randomText(words, 14);
    if (find.empty()) continue;
    ASSERT_EQ(applied("\\Q" + find + "\\E", "<>", {false, true, true}, value),
              applied(find, "<>", {false, true, false}, value))
        << find << " in " << value;
  }
}

TEST(Matcher, RefusesBadPatternsEmptyMatchesAndUnknownGroups) {
  auto bad = Matcher::compile("ab(c", "", {false, false, true});
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().number, err::kBadPattern);
  EXPECT_NE(bad.error().description.find("'ab(c'"), std::string::npos);
  EXPECT_NE(bad.error().description.find("position 4"), std::string::npos);
  EXPECT_NE(bad.error().description.find("missing closing parenthesis"), std::string::npos);
  for (const char* empty : {"a*", "\\b", "(x|)"}) {
    auto r = Matcher::compile(empty, "", {false, false, true});
    ASSERT_FALSE(r.ok()) << empty;
    EXPECT_NE(r.error().description.find("empty string"), std::string::npos);
  }
  EXPECT_FALSE(Matcher::compile("(a)", "$2", {false, false, true}).ok());
  EXPECT_FALSE(Matcher::compile("(a)", "${nope}", {false, false, true}).ok());
  auto set = SetMatchers::compile({{"x", "y"}, {"[", ""}}, {false, false, true});
  ASSERT_FALSE(set.ok());
  EXPECT_EQ(set.error().description.rfind("set 2: ", 0), 0u) << set.error().description;
}

TEST(Matcher, SetsApplyInOrderAndThePrefilterStandsAsideWhereItCannotApply) {
  auto sets = SetMatchers::compile({{"A", "b"}, {"B", "c"}}, {true, false, false});
  ASSERT_TRUE(sets.ok());
  EXPECT_FALSE(sets.value().prefilterApplies());
  SetsMatch m = sets.value().apply("xa");
  EXPECT_EQ(m.outcome.value, "xc");
  EXPECT_EQ(m.outcome.applied, (std::vector<std::size_t>{0, 1}));
  EXPECT_TRUE(SetMatchers::compile({{"A", "b"}}, {false, true, false}).value().prefilterApplies());
}

TEST(Matcher, APathologicalPatternOnALongMemoIsASkipNotAHang) {
  jet::testing::ScratchFolder folder;
  const std::string path = folder.file("long.mdb");
  using namespace engine::testing;
  const std::string memo = std::string(10000, 'a') + "!";
  ASSERT_EQ(createDatabase(path, {{"Notes",
                                   {{"Body", jet::ColumnType::kMemo}, {"Tag", jet::ColumnType::kText, 10}},
                                   {{text(memo), text("aa")}, {text("xaa"), text("aab")}}}}),
            "");
  RunInputs in;
  in.databasePath = path;
  in.tables = {{"Notes", true}};
  in.currentIndex = 0;
  in.findText = "(a+)+$";
  in.replaceText = "<$1>";
  in.match.regex = true;
  in.columns.choose("Notes", "body");
  FakeWindow window;
  db::RecordingErrorReporter reports;
  RunContext cx{reports, window, window, window};
  cx.logPath = folder.file("backups.log");
  auto started = std::chrono::steady_clock::now();
  RunOutcome out = runReplacement(in, cx);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  ASSERT_EQ(out.tables.size(), 1u);
  EXPECT_EQ(out.tables[0].changesSkipped, 1u);
  EXPECT_EQ(out.tables[0].skipReasons.count(err::kMatchLimit), 1u);
  EXPECT_EQ(out.tables[0].valuesChanged, 1u);  // "Tag" is not visited
  EXPECT_EQ(readColumn(path, "Notes", "Body")[1], "x<aa>");
  EXPECT_EQ(readColumn(path, "Notes", "Tag")[0], "aa");
  EXPECT_FALSE(out.clean());

  in.findText = "(a";
  RunOutcome refused = runReplacement(in, cx);
  EXPECT_FALSE(refused.started);
  ASSERT_TRUE(refused.refused);
  EXPECT_EQ(readColumn(path, "Notes", "Tag")[0], "aa");
}

TEST(ColumnChoice, NamesWithSpacesDotsAndBrackets) {
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(parseColumnName("Order Details.Ship Name").value(), Pair("Order Details", "Ship Name"));
  EXPECT_EQ(parseColumnName("[Ta.ble].[Col.umn]").value(), Pair("Ta.ble", "Col.umn"));
  EXPECT_EQ(parseColumnName("T.[a.b]").value(), Pair("T", "a.b"));
  for (const char* wrong : {"T", "T.", ".C", "T.a.b", "[T.C", "[T]x.C", "[T].[C]x"}) {
    EXPECT_FALSE(parseColumnName(wrong).ok()) << wrong;
  }
}

}  // namespace
}  // namespace engine
