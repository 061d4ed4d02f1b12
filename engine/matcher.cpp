// matcher.cpp: case folding through ICU, word boundaries, and patterns through PCRE2.
#include "engine/matcher.h"

#include <string.h>  // memmem

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace engine {
namespace {

// Steps a pattern may take on one value before the value is given up on.
constexpr std::uint32_t kMatchStepLimit = 2'000'000;
constexpr std::uint32_t kMatchDepthLimit = 100'000;

// A byte that is not valid UTF-8 decodes to a number outside Unicode, equal only to itself.
constexpr char32_t kStrayByte = 0x110000;

char32_t decodeAt(std::string_view s, std::size_t& i) {
  UChar32 c;
  auto at = static_cast<int32_t>(i);
  U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), at, static_cast<int32_t>(s.size()), c);
  if (c < 0) {
    c = static_cast<UChar32>(kStrayByte + static_cast<unsigned char>(s[i]));
    at = static_cast<int32_t>(i + 1);
  }
  i = static_cast<std::size_t>(at);
  return static_cast<char32_t>(c);
}

char32_t decodeBefore(std::string_view s, std::size_t end) {
  UChar32 c;
  auto at = static_cast<int32_t>(end);
  U8_PREV(reinterpret_cast<const uint8_t*>(s.data()), 0, at, c);
  return c < 0 ? kStrayByte : static_cast<char32_t>(c);
}

// Full case folding of one code point (ß gives ss), appended to `out`.
void foldInto(char32_t c, std::u32string& out) {
  if (c < 0x80) {
    out.push_back(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return;
  }
  if (c >= kStrayByte) {
    out.push_back(c);
    return;
  }
  UChar in[2];
  int32_t n = 0;
  U16_APPEND_UNSAFE(in, n, static_cast<UChar32>(c));
  UChar folded[8];
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = u_strFoldCase(folded, 8, in, n, U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) {
    out.push_back(c);
    return;
  }
  for (int32_t i = 0; i < len; ++i) {
    char32_t unit = folded[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < len) {  // a surrogate pair
      unit = 0x10000 + ((unit - 0xD800) << 10) + (char32_t{folded[++i]} - 0xDC00);
    }
    out.push_back(unit);
  }
}

// The value folded, with where each folded character came from: its source's byte offset, and
// whether it is the first folded character of that source.
struct Folded {
  std::u32string text;
  std::vector<std::size_t> source;
  std::vector<bool> first;
};

Folded fold(std::string_view s) {
  Folded f;
  f.text.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    std::size_t at = i;
    std::size_t before = f.text.size();
    foldInto(decodeAt(s, i), f.text);
    for (std::size_t j = before; j < f.text.size(); ++j) {
      f.source.push_back(at);
      f.first.push_back(j == before);
    }
  }
  return f;
}

bool touchesWord(std::string_view value, MatchSpan span) {
  if (span.begin > 0 && isWordCharacter(decodeBefore(value, span.begin))) return true;
  std::size_t at = span.end;
  return at < value.size() && isWordCharacter(decodeAt(value, at));
}

std::string pcreMessage(int code) {
  PCRE2_UCHAR buffer[256];
  int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  return n < 0 ? "error " + std::to_string(code) : std::string(reinterpret_cast<char*>(buffer));
}

std::size_t characters(std::string_view s, std::size_t bytes) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < bytes && i < s.size(); ++n) decodeAt(s, i);
  return n;
}

jet::Error refused(std::string_view pattern, const std::string& why) {
  return jet::Error{err::kBadPattern, "bad pattern '" + std::string(pattern) + "': " + why};
}

}  // namespace

bool isWordCharacter(char32_t c) {
  if (c == '_') return true;
  if (c >= kStrayByte) return false;
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_ND_MASK)) != 0;
}

struct Matcher::Regex {
  pcre2_code* code = nullptr;
  pcre2_match_context* context = nullptr;
  pcre2_match_data* data = nullptr;
  ~Regex() {
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    pcre2_code_free(code);
  }
};

Matcher::Matcher(std::string find, std::string replace, const MatchOptions& options)
    : find_(std::move(find)), replace_(std::move(replace)), options_(options) {}

Matcher::~Matcher() = default;

jet::Result<std::unique_ptr<Matcher>> Matcher::compile(std::string_view find,
                                                       std::string_view replace,
                                                       const MatchOptions& options) {
  std::unique_ptr<Matcher> m(new Matcher(std::string(find), std::string(replace), options));
  if (!options.regex) {
    if (options.ignoreCase) m->foldedFind_ = fold(find).text;
    m->pieces_.push_back({std::string(replace), -1});
    return m;
  }
  uint32_t flags = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
  if (options.ignoreCase) flags |= PCRE2_CASELESS;
  int code = 0;
  PCRE2_SIZE offset = 0;
  auto compileOne = [&](const std::string& text) {
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), flags, &code,
                         &offset, nullptr);
  };
  pcre2_code* plain = compileOne(std::string(find));
  if (plain == nullptr) {
    return jet::Error{err::kBadPattern, "bad pattern '" + std::string(find) + "' at position " +
                                            std::to_string(characters(find, offset)) + ": " +
                                            pcreMessage(code)};
  }
  auto regex = std::make_unique<Regex>();
  regex->code = plain;
  if (options.wholeWord) {
    // Neither side of a match may be a word character (the class isWordCharacter() tests).
    std::string wrapped = "(?<![\\p{L}\\p{Nd}_])(?:" + std::string(find) + ")(?![\\p{L}\\p{Nd}_])";
    pcre2_code* whole = compileOne(wrapped);
    if (whole == nullptr) return refused(find, pcreMessage(code));
    pcre2_code_free(plain);
    regex->code = whole;
  }
  uint32_t minLength = 0;
  pcre2_pattern_info(regex->code, PCRE2_INFO_MINLENGTH, &minLength);
  if (minLength == 0) {
    return refused(find, "it can match the empty string, which would insert text everywhere");
  }
  uint32_t groups = 0;
  pcre2_pattern_info(regex->code, PCRE2_INFO_CAPTURECOUNT, &groups);
  // The replacement: $N, ${N} and ${name} name a group; $$ is a dollar sign; any other $ is
  // itself.
  std::string text;
  for (std::size_t i = 0; i < replace.size(); ++i) {
    if (replace[i] != '$' || i + 1 == replace.size()) {
      text.push_back(replace[i]);
      continue;
    }
    char next = replace[i + 1];
    std::string name;
    std::size_t end = i + 1;
    if (next == '$') {
      text.push_back('$');
      ++i;
      continue;
    }
    if (next >= '0' && next <= '9') {
      while (end < replace.size() && replace[end] >= '0' && replace[end] <= '9') {
        name.push_back(replace[end++]);
      }
    } else if (next == '{') {
      std::size_t close = replace.find('}', i + 2);
      if (close == std::string_view::npos) {
        return jet::Error{err::kBadPattern,
                          "replacement '" + std::string(replace) + "': '${' without its '}'"};
      }
      name = std::string(replace.substr(i + 2, close - i - 2));
      end = close + 1;
    } else {
      text.push_back('$');
      continue;
    }
    int group = -1;
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
      group = name.size() > 6 ? -1 : std::stoi(name);
      if (group > static_cast<int>(groups)) group = -1;
    } else if (!name.empty()) {
      group = pcre2_substring_number_from_name(regex->code,
                                               reinterpret_cast<PCRE2_SPTR>(name.c_str()));
    }
    if (group < 0) {
      return jet::Error{err::kBadPattern, "replacement '" + std::string(replace) +
                                              "': the pattern has no group '" + name + "'"};
    }
    m->pieces_.push_back({std::move(text), -1});
    text.clear();
    m->pieces_.push_back({{}, group});
    i = end - 1;
  }
  m->pieces_.push_back({std::move(text), -1});
  regex->context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(regex->context, kMatchStepLimit);
  pcre2_set_depth_limit(regex->context, kMatchDepthLimit);
  regex->data = pcre2_match_data_create_from_pattern(regex->code, nullptr);
  m->regex_ = std::move(regex);
  return m;
}

bool Matcher::scanBytes(std::string_view value,
                        const std::function<void(MatchSpan)>& found) const {
  // glibc's memmem compares pairs of bytes, which skips faster than the first-byte search of
  // string_view::find on text where the find text's first letter is common.
  auto next = [&](std::size_t from) -> std::size_t {
    if (from > value.size()) return std::string_view::npos;
    const void* hit = memmem(value.data() + from, value.size() - from, find_.data(), find_.size());
    return hit == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - value.data());
  };
  for (std::size_t at = next(0); at != std::string_view::npos;) {
    MatchSpan span{at, at + find_.size()};
    if (options_.wholeWord && touchesWord(value, span)) {
      at = next(at + 1);
      continue;
    }
    found(span);
    at = next(span.end);
  }
  return true;
}

bool Matcher::scanFolded(std::string_view value,
                         const std::function<void(MatchSpan)>& found) const {
  if (foldedFind_.empty()) return true;
  Folded f = fold(value);
  const std::size_t n = foldedFind_.size();
  for (std::size_t at = f.text.find(foldedFind_); at != std::u32string::npos;) {
    // A match must begin and end where whole characters of the value do.
    bool aligned = f.first[at] && (at + n == f.text.size() || f.first[at + n]);
    MatchSpan span{f.source[at], at + n == f.text.size() ? value.size() : f.source[at + n]};
    if (!aligned || (options_.wholeWord && touchesWord(value, span))) {
      at = f.text.find(foldedFind_, at + 1);
      continue;
    }
    found(span);
    at = f.text.find(foldedFind_, at + n);
  }
  return true;
}

bool Matcher::scan(std::string_view value,
                   const std::function<void(MatchSpan, const std::size_t*)>& found,
                   std::optional<jet::Error>& limit) const {
  if (!regex_) {
    auto each = [&](MatchSpan s) { found(s, nullptr); };
    return options_.ignoreCase ? scanFolded(value, each) : scanBytes(value, each);
  }
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(value.data());
  PCRE2_SIZE offset = 0;
  while (offset <= value.size()) {
    int rc = pcre2_match(regex_->code, subject, value.size(), offset, 0, regex_->data,
                         regex_->context);
    if (rc == PCRE2_ERROR_NOMATCH) return true;
    if (rc < 0) {
      bool tooLong = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
                     rc == PCRE2_ERROR_HEAPLIMIT;
      limit = jet::Error{err::kMatchLimit,
                         "pattern '" + find_ + "' gave up on a value of " +
                             std::to_string(characters(value, value.size())) + " characters: " +
                             pcreMessage(rc) + (tooLong ? " (the per-value limit)" : "")};
      return false;
    }
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(regex_->data);
    MatchSpan span{ov[0], ov[1]};
    if (span.end <= span.begin) {  // only \K tricks get here: step over one character
      std::size_t next = offset;
      if (next >= value.size()) return true;
      decodeAt(value, next);
      offset = next;
      continue;
    }
    found(span, ov);
    offset = span.end;
  }
  return true;
}

ValueMatch Matcher::apply(std::string_view value) const {
  ValueMatch result;
  if (value.empty()) return result;
  if (literal() && find_.empty()) {
    result.matched = true;
    result.value = std::string(value);
    return result;
  }
  std::string out;
  std::size_t from = 0;
  bool any = false;
  bool done = scan(
      value,
      [&](MatchSpan span, const std::size_t* groups) {
        any = true;
        out.append(value.substr(from, span.begin - from));
        for (const Piece& p : pieces_) {
          if (p.group < 0) {
            out.append(p.text);
          } else if (groups != nullptr && groups[2 * p.group] != PCRE2_UNSET) {
            out.append(value.substr(groups[2 * p.group],
                                    groups[2 * p.group + 1] - groups[2 * p.group]));
          }
        }
        from = span.end;
      },
      result.limit);
  if (!done || !any) return result;
  result.matched = true;
  out.append(value.substr(from));
  result.value = std::move(out);
  return result;
}

bool Matcher::findAll(std::string_view value, std::vector<MatchSpan>& spans,
                      std::optional<jet::Error>& limit) const {
  spans.clear();
  if (value.empty() || (literal() && find_.empty())) return true;
  return scan(value, [&](MatchSpan span, const std::size_t*) { spans.push_back(span); }, limit);
}

jet::Result<SetMatchers> SetMatchers::compile(const std::vector<ReplacementSet>& sets,
                                              const MatchOptions& options) {
  SetMatchers all;
  for (std::size_t m = 0; m < sets.size(); ++m) {
    auto one = Matcher::compile(sets[m].find, sets[m].replace, options);
    if (!one.ok()) {
      return jet::Error{one.error().number,
                        "set " + std::to_string(m + 1) + ": " + one.error().description};
    }
    all.prefilter_ = all.prefilter_ && one.value()->prefilterable();
    all.matchers_.push_back(std::move(one).value());
  }
  return all;
}

SetsMatch SetMatchers::apply(std::string_view value) const {
  SetsMatch result{SetsOutcome{std::string(value), {}}, std::nullopt};
  for (std::size_t m = 0; m < matchers_.size(); ++m) {
    ValueMatch one = matchers_[m]->apply(result.outcome.value);
    if (one.limit) {
      result.limit = std::move(one.limit);
      result.outcome = SetsOutcome{std::string(value), {}};
      return result;
    }
    if (!one.matched) continue;
    result.outcome.value = std::move(one.value);
    result.outcome.applied.push_back(m);
  }
  return result;
}

jet::Result<RunMatching> compileRunMatching(const std::string& find, const std::string& replace,
                                            const std::vector<ReplacementSet>& sets,
                                            bool multiple, const MatchOptions& options) {
  RunMatching matching;
  // Only the pair or the sets the run uses are checked.
  JET_ASSIGN_OR_RETURN(matching.single,
                       Matcher::compile(find, replace, multiple ? MatchOptions{} : options));
  if (multiple) {
    JET_ASSIGN_OR_RETURN(matching.sets, SetMatchers::compile(sets, options));
  }
  return matching;
}

}  // namespace engine
