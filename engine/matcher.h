// matcher.h: how a find text is matched in a value, beyond the default literal, case-counting
// comparison: letter case ignored (full Unicode case folding), whole words only, and regular
// expressions with group references in the replacement. One Matcher per find/replace pair;
// SetMatchers applies a list of them in order, as the sets do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/replacement.h"
#include "jet/core/error_codes.h"
#include "jet/core/status.h"

namespace engine {

// All off: the find text matches literally, letter case counting.
struct MatchOptions {
  bool ignoreCase = false;  // compare after full Unicode case folding
  bool wholeWord = false;   // a match must not touch a word character on either side
  bool regex = false;       // the find text is a pattern; the replacement may name its groups
  bool any() const { return ignoreCase || wholeWord || regex; }
};

namespace err {
// The matching layer's numbers sit in their own range.
inline constexpr std::int32_t kBadPattern = jet::err::code(0x8004F201);  // refused before reading
inline constexpr std::int32_t kMatchLimit = jet::err::code(0x8004F202);  // gave up on one value
}  // namespace err

// Letters, decimal digits and the underscore.
bool isWordCharacter(char32_t c);

// One occurrence: bytes [begin, end) of the value.
struct MatchSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// What one pair did to one value.
struct ValueMatch {
  bool matched = false;
  std::string value;                // the value after the replacement (empty when no match)
  std::optional<jet::Error> limit;  // matching gave up on this value: it is left alone
};

class Matcher {
 public:
  // Refuses a bad pattern (naming it, the character position and the reason), a pattern that
  // can match the empty string, and a replacement naming a group the pattern does not have.
  static jet::Result<std::unique_ptr<Matcher>> compile(std::string_view find,
                                                       std::string_view replace,
                                                       const MatchOptions& options);
  ~Matcher();
  Matcher(const Matcher&) = delete;
  Matcher& operator=(const Matcher&) = delete;

  // True when the plain byte comparison applies (the multi-pattern prefilter can stand in).
  bool literal() const { return !options_.any() || (find_.empty() && !options_.regex); }
  // True when every match is also a byte-for-byte occurrence of the find text.
  bool prefilterable() const { return !options_.ignoreCase && !options_.regex; }

  // occurs() and replaceAll() under the options: every non-overlapping occurrence, left to right.
  // An empty value never matches; an empty find text matches every other value, leaving it.
  ValueMatch apply(std::string_view value) const;

  // Every occurrence in `value`, left to right; false when matching gave up (`limit` says why).
  bool findAll(std::string_view value, std::vector<MatchSpan>& spans,
               std::optional<jet::Error>& limit) const;

 private:
  struct Regex;
  struct Piece {  // the parsed replacement: literal text, or a group by number (-1: none)
    std::string text;
    int group = -1;
  };
  Matcher(std::string find, std::string replace, const MatchOptions& options);
  // Calls `found` for each occurrence with its span and (regex) the group offsets.
  bool scan(std::string_view value, const std::function<void(MatchSpan, const std::size_t*)>& found,
            std::optional<jet::Error>& limit) const;
  bool scanFolded(std::string_view value, const std::function<void(MatchSpan)>& found) const;
  bool scanBytes(std::string_view value, const std::function<void(MatchSpan)>& found) const;

  std::string find_;
  std::string replace_;
  MatchOptions options_;
  std::u32string foldedFind_;
  std::unique_ptr<Regex> regex_;
  std::vector<Piece> pieces_;
};

struct SetsMatch {
  SetsOutcome outcome;
  std::optional<jet::Error> limit;  // some set gave up on the value: none is applied
};

// The sets of a run, compiled once, applied in list order, each to the value the earlier left.
class SetMatchers {
 public:
  // A refusal names the set (its position from 1) and what is wrong with it.
  static jet::Result<SetMatchers> compile(const std::vector<ReplacementSet>& sets,
                                          const MatchOptions& options);
  // True when every set matches literally, so that the prefilter may pass over values.
  bool prefilterApplies() const { return prefilter_; }
  SetsMatch apply(std::string_view value) const;
  std::size_t size() const { return matchers_.size(); }
  const Matcher& at(std::size_t m) const { return *matchers_[m]; }

 private:
  std::vector<std::unique_ptr<Matcher>> matchers_;
  bool prefilter_ = true;
};

// What a run matches with: its single pair, and its sets (empty in single mode).
struct RunMatching {
  std::unique_ptr<Matcher> single;
  SetMatchers sets;
};
jet::Result<RunMatching> compileRunMatching(const std::string& find, const std::string& replace,
                                            const std::vector<ReplacementSet>& sets,
                                            bool multiple, const MatchOptions& options);

}  // namespace engine
