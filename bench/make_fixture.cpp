// make_fixture.cpp: makes a database of N rows with a chosen mix of columns, text lengths,
// accented characters and matches of a search word, for benchmarks and large-file tests.
// Usage and options: bench/README.md.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "jet/create/database_creator.h"

namespace {

struct Options {
  std::string output;
  std::string templateDir = FIELDMEND_TEMPLATE_DIR;
  bool accdb = false;
  std::uint64_t rows = 1000;
  int tables = 1;
  int textColumns = 3;
  int indexedText = 1;  // the first N text columns get an index each
  int memoColumns = 1;
  int numberColumns = 2;
  int textLength = 40;  // characters in a text cell (memos: ten times as many)
  int columnLength = 0;  // declared length of the text columns; 0: the text length
  int accents = 10;     // percent of words carrying accented or non-Latin characters
  int matchRate = 5;    // percent of text cells holding the search word
  std::string needle = "needle";
  int everyColumns = 0;  // text columns in which every cell holds `everyWord`
  std::string everyWord = "always";
  std::uint32_t seed = 1;
  std::string password;  // non-empty: an encrypted .accdb
};

void usage() {
  std::fprintf(stderr,
               "usage: make_fixture OUTPUT.mdb|OUTPUT.accdb [--rows N] [--tables N]\n"
               "  [--text-columns N] [--indexed-text N] [--memo-columns N] [--number-columns N]\n"
               "  [--text-length N] [--accents PERCENT] [--match-rate PERCENT] [--needle WORD]\n"
               "  [--column-length N] [--every-columns N] [--every-word WORD] [--seed N] [--template-dir DIR]\n"
               "  [--password P]\n");
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool parse(int argc, char** argv, Options& o) {
  if (argc < 2) return false;
  o.output = argv[1];
  o.accdb = endsWith(o.output, ".accdb");
  if (!o.accdb && !endsWith(o.output, ".mdb")) return false;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string key = argv[i];
    std::string value = argv[i + 1];
    auto number = [&] { return std::strtoull(value.c_str(), nullptr, 10); };
    if (key == "--rows")
      o.rows = number();
    else if (key == "--tables")
      o.tables = static_cast<int>(number());
    else if (key == "--text-columns")
      o.textColumns = static_cast<int>(number());
    else if (key == "--indexed-text")
      o.indexedText = static_cast<int>(number());
    else if (key == "--memo-columns")
      o.memoColumns = static_cast<int>(number());
    else if (key == "--number-columns")
      o.numberColumns = static_cast<int>(number());
    else if (key == "--text-length")
      o.textLength = static_cast<int>(number());
    else if (key == "--accents")
      o.accents = static_cast<int>(number());
    else if (key == "--match-rate")
      o.matchRate = static_cast<int>(number());
    else if (key == "--needle")
      o.needle = value;
    else if (key == "--column-length")
      o.columnLength = static_cast<int>(number());
    else if (key == "--every-columns")
      o.everyColumns = static_cast<int>(number());
    else if (key == "--every-word")
      o.everyWord = value;
    else if (key == "--seed")
      o.seed = static_cast<std::uint32_t>(number());
    else if (key == "--template-dir")
      o.templateDir = value;
    else if (key == "--password")
      o.password = value;
    else
      return false;
  }
  return (argc % 2) == 0 && (o.password.empty() || o.accdb) && o.tables >= 1 && o.textLength >= 1 && o.textLength <= 255 &&
         o.columnLength >= 0 && o.columnLength <= 255 &&
         (o.columnLength == 0 || o.columnLength >= o.textLength);
}

// Words of plain Latin letters, some with accents or other scripts, cut to the wanted length.
class TextMaker {
 public:
  explicit TextMaker(const Options& o) : o_(o), random_(o.seed) {}

  std::string cell(std::size_t length) {
    const bool match = percent() < o_.matchRate;
    return cellWith(length, match ? &o_.needle : nullptr);
  }
  // A cell that holds `held` (when given) once, at a random place.
  std::string cellWith(std::size_t length, const std::string* held) {
    std::string out;
    std::size_t units = 0;
    std::size_t at = length;
    if (held == &o_.needle) {
      at = random_() % length;
    } else if (held != nullptr) {  // early enough that the cut at `length` keeps it whole
      at = random_() % std::max<std::size_t>(1, length - std::min(length, held->size() + 1));
    }
    while (units < length) {
      if (units >= at) {
        out += *held;
        units += held->size();
        at = length;
      } else {
        const std::string& w = word();
        out += w;
        units += w.size();  // bytes: close enough to keep cells near the length asked
      }
      out += ' ';
      ++units;
    }
    return trim(out, length);
  }

 private:
  int percent() { return static_cast<int>(random_() % 100); }

  const std::string& word() {
    static const std::vector<std::string> kPlain = {"alpha", "river", "stone", "market", "order",
                                                    "blue",  "north", "paper", "light",  "garden"};
    static const std::vector<std::string> kAccented = {"café", "naïve", "Zoë",    "straße",
                                                       "Ærø",  "Łódź",  "Ελλάδα", "東京"};
    return percent() < o_.accents ? kAccented[random_() % kAccented.size()]
                                  : kPlain[random_() % kPlain.size()];
  }

  // Cuts to at most `length` UTF-16 units without splitting a character.
  static std::string trim(const std::string& s, std::size_t length) {
    std::size_t units = 0, i = 0;
    while (i < s.size() && units < length) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      units += n == 4 ? 2 : 1;
      if (units > length) break;
      i += n;
    }
    std::string out = s.substr(0, i);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }

  const Options& o_;
  std::mt19937 random_;
};

std::vector<jet::ColumnSpec> columns(const Options& o) {
  std::vector<jet::ColumnSpec> out = {{"Id", jet::ColumnType::kLong}};
  for (int i = 1; i <= o.textColumns; ++i) {
    out.push_back({"Text" + std::to_string(i), jet::ColumnType::kText,
                   static_cast<std::uint16_t>(o.columnLength != 0 ? o.columnLength : o.textLength)});
  }
  for (int i = 1; i <= o.everyColumns; ++i) {
    out.push_back({"Every" + std::to_string(i), jet::ColumnType::kText,
                   static_cast<std::uint16_t>(o.columnLength != 0 ? o.columnLength : o.textLength)});
  }
  for (int i = 1; i <= o.memoColumns; ++i)
    out.push_back({"Memo" + std::to_string(i), jet::ColumnType::kMemo});
  for (int i = 1; i <= o.numberColumns; ++i)
    out.push_back({"Number" + std::to_string(i), jet::ColumnType::kDouble});
  out.push_back({"Created", jet::ColumnType::kDateTime});
  out.push_back({"Active", jet::ColumnType::kBoolean});
  return out;
}

// A primary key on Id and an index on each of the first `indexedText` text columns.
jet::TableSpec table(const Options& o, const std::string& name) {
  jet::TableSpec t{name, columns(o), {{"", {{"Id"}}, true}}};
  for (int i = 1; i <= std::min(o.indexedText, o.textColumns); ++i) {
    std::string column = "Text" + std::to_string(i);
    t.indexes.push_back({column, {{column}}});
  }
  return t;
}

std::vector<jet::Value> row(const Options& o, TextMaker& text, std::uint64_t n) {
  std::vector<jet::Value> out;
  auto add = [&](auto fill) {
    jet::Value v;
    v.isNull = false;
    fill(v);
    out.push_back(std::move(v));
  };
  add([&](jet::Value& v) { v.integer = static_cast<std::int64_t>(n + 1); });
  for (int i = 0; i < o.textColumns; ++i) {
    add([&](jet::Value& v) { v.text = text.cell(static_cast<std::size_t>(o.textLength)); });
  }
  for (int i = 0; i < o.everyColumns; ++i) {
    add([&](jet::Value& v) {
      v.text = text.cellWith(static_cast<std::size_t>(o.textLength), &o.everyWord);
    });
  }
  for (int i = 0; i < o.memoColumns; ++i) {
    add([&](jet::Value& v) { v.text = text.cell(static_cast<std::size_t>(o.textLength) * 10); });
  }
  for (int i = 0; i < o.numberColumns; ++i) {
    add([&](jet::Value& v) { v.real = static_cast<double>(n) * 1.5 + i; });
  }
  add([&](jet::Value& v) { v.real = 40000.0 + static_cast<double>(n % 5000); });
  add([&](jet::Value& v) { v.boolean = n % 2 == 0; });
  return out;
}

int fail(const jet::Status& s) {
  std::fprintf(stderr, "make_fixture: %s\n", s.description().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    usage();
    return 2;
  }
  jet::CreateOptions create;
  create.templatePath = o.templateDir + (o.accdb ? "/empty-ace12.accdb" : "/empty-jet4.mdb");
  create.createdAt = 46000.0;
  create.password = o.password;
  auto started = std::chrono::steady_clock::now();
  auto creator = jet::DatabaseCreator::create(o.output, create);
  if (!creator.ok()) return fail(creator.status());
  TextMaker text(o);
  for (int t = 1; t <= o.tables; ++t) {
    std::string name = o.tables == 1 ? "Fixture" : "Fixture" + std::to_string(t);
    jet::Status s = (*creator)->addTable(table(o, name));
    if (!s.ok()) return fail(s);
    for (std::uint64_t n = 0; n < o.rows; ++n) {
      s = (*creator)->insertRow(row(o, text, n));
      if (!s.ok()) return fail(s);
    }
  }
  jet::Status done = (*creator)->finish();
  if (!done.ok()) return fail(done);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  double total = static_cast<double>(o.rows) * o.tables;
  std::printf("%s: %d table(s) x %llu rows in %.2f s (%.0f rows/s)\n", o.output.c_str(), o.tables,
              static_cast<unsigned long long>(o.rows), seconds, total / seconds);
  return 0;
}
