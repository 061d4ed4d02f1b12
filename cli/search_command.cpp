// search_command.cpp: reads every record of the chosen tables once, matching each chosen
// column's value text as a replacement run would, and prints the occurrences as it goes. Only
// the counts per column are kept, so memory stays flat however large the table.
#include "cli/search_command.h"

#include <map>
#include <ostream>

#include "cli/quoting.h"
#include "cli/stream_error_reporter.h"
#include "cli/table_choice.h"
#include "cli/undo_command.h"
#include "db/recordset.h"
#include "db/table_catalogue.h"
#include "engine/matcher.h"
#include "engine/row_identity.h"
#include "engine/text_formats.h"

namespace cli {
namespace {

// How grep marks a match on a terminal.
constexpr std::string_view kMarkOn = "\x1b[01;31m";
constexpr std::string_view kMarkOff = "\x1b[m";

std::size_t characters(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

struct Counts {
  std::uint64_t values = 0;
  std::uint64_t matches = 0;
};

class Printer {
 public:
  Printer(std::ostream& out, bool json, bool count, bool colour)
      : out_(out), json_(json), count_(count), colour_(colour) {}

  void found(const std::string& table, const engine::RowIdentity& row, const std::string& column,
             std::string_view value, const std::vector<engine::MatchSpan>& spans) {
    if (count_) return;
    if (json_) {
      out_ << "{\"table\":" << jsonString(table) << rowJsonMember(row)
           << ",\"column\":" << jsonString(column) << ",\"value\":" << jsonString(value)
           << ",\"matches\":[";
      for (std::size_t i = 0; i < spans.size(); ++i) {
        out_ << (i ? "," : "") << "{\"start\":" << characters(value.substr(0, spans[i].begin))
             << ",\"length\":"
             << characters(value.substr(spans[i].begin, spans[i].end - spans[i].begin)) << "}";
      }
      out_ << "]}\n";
      return;
    }
    out_ << shown(table) << '.' << shown(column) << " [" << shown(row.text()) << "]: ";
    std::size_t from = 0;
    for (const engine::MatchSpan& s : spans) {
      out_ << shown(value.substr(from, s.begin - from));
      if (colour_) out_ << kMarkOn;
      out_ << shown(value.substr(s.begin, s.end - s.begin));
      if (colour_) out_ << kMarkOff;
      from = s.end;
    }
    out_ << shown(value.substr(from)) << '\n';
  }

  void counted(const std::string& table, const std::string& column, const Counts& c) {
    if (!count_) return;
    if (json_) {
      out_ << "{\"table\":" << jsonString(table) << ",\"column\":" << jsonString(column)
           << ",\"values\":" << c.values << ",\"matches\":" << c.matches << "}\n";
    } else {
      out_ << shown(table) << '.' << shown(column) << ": " << c.values << " values, "
           << c.matches << " matches\n";
    }
  }

 private:
  static std::string shown(std::string_view text) { return terminalSafe(oneLine(text)); }
  std::ostream& out_;
  bool json_;
  bool count_;
  bool colour_;
};

}  // namespace

std::string SearchCommand::help() const {
  return "Usage: fieldmend-cli search (FILE ... | --recursive DIR) [-j N] [--password PASSWORD]\n"
         "         (--table TABLE ... | --all-tables | --column TABLE.COLUMN ...)\n"
         "         --find TEXT [--ignore-case] [--whole-word] [--regex] [--count] [--json]\n"
         "Prints every occurrence of the find text in the chosen tables and columns, one\n"
         "value a line: table, column, the row (its primary key values, or where it lies when\n"
         "the table has none) and the value, with each match marked in colour when\n"
         "the output is a terminal. Values are matched as replace matches them. The file is\n"
         "opened read-only and nothing is changed.\n"
         "Several files (or --recursive DIR, every .mdb and .accdb below DIR) are worked\n"
         "on one by one as if alone, -j N at a time (default: one per core); a file that\n"
         "fails is reported and the others go on, and a last list names every file.\n"
         "\n"
         "Options:\n"
         "  --table TABLE        a table to search (repeat for more)\n"
         "  --all-tables         search every user table\n"
         "  --column TABLE.COLUMN  only this column of its table (repeat for more); write a\n"
         "                       name holding a dot in brackets: [Table].[Col.umn]\n"
         "  --find TEXT          the text to look for\n"
         "  --ignore-case        letter case does not count (full Unicode case folding)\n"
         "  --whole-word         only where the match touches no letter, digit or _\n"
         "  --regex              the find text is a PCRE2 pattern\n"
         "  --count              print only, per table and column with a match, the number\n"
         "                       of values holding one and the number of matches\n"
         "  --json               print JSON lines instead of text\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n"
         "\n"
         "Exit status: 0 when every chosen table was read, 1 when a table could not be read\n"
         "or a value was given up on (a pattern past its per-value limit), 2 on a usage\n"
         "error.\n";
}

AcceptedArguments SearchCommand::acceptedArguments() const {
  return {{"FILE"},
          {{"password", true},
           {"table", true},
           {"all-tables", false},
           {"column", true},
           {"find", true},
           {"ignore-case", false},
           {"whole-word", false},
           {"regex", false},
           {"count", false},
           {"json", false}},
          true};
}

int SearchCommand::run(const Arguments& args, CommandContext& context) const {
  if (std::string fault = tableUsageFault(args); !fault.empty()) {
    return usageError(context, fault);
  }
  if (!args.values.contains("find")) return usageError(context, "give --find");
  const engine::MatchOptions options{args.flag("ignore-case"), args.flag("whole-word"),
                                     args.flag("regex")};
  auto matcher = engine::Matcher::compile(args.value("find"), "", options);
  if (!matcher.ok()) return usageError(context, matcher.error().description);

  const std::string& path = args.positional[0];
  std::vector<engine::TableListEntry> tables;
  engine::ColumnChoice columns;
  if (jet::Status chosen =
          chooseTablesAndColumns(args, path, context.openDatabase, tables, columns);
      !chosen.ok()) {
    return failWith(context, chosen.error(), path);
  }
  std::unique_ptr<db::Connection> connection = openDatabase(args, context);
  if (!connection) return kExitFailure;

  const engine::TextFormats formats = engine::TextFormats::fromEnvironment();
  Printer printer(context.out, args.flag("json"), args.flag("count"), context.outIsTerminal);
  bool clean = true;
  std::vector<engine::MatchSpan> spans;
  for (const engine::TableListEntry& table : tables) {
    auto opened = connection->openRecordset(db::selectAllStatement(table.name));
    if (!opened.ok()) {
      fail(context, table.name + ": " + opened.error().description);
      clean = false;
      continue;
    }
    db::Recordset& rs = **opened;
    std::vector<bool> visit(rs.fieldCount());
    for (std::size_t k = 0; k < visit.size(); ++k) {
      visit[k] = columns.chosen(table.name, rs.fieldName(k));
    }
    std::map<std::size_t, Counts> counts;
    const engine::RowNamer rows(rs.table());
    while (!rs.eof()) {
      for (std::size_t k = 0; k < visit.size(); ++k) {
        if (!visit[k]) continue;
        const std::string value = formats.valueText(rs.field(k).type, rs.value(k));
        std::optional<jet::Error> limit;
        if (!matcher.value()->findAll(value, spans, limit)) {
          fail(context, table.name + "." + rs.fieldName(k) + ": " + limit->description);
          clean = false;
          continue;
        }
        if (spans.empty()) continue;
        Counts& c = counts[k];
        ++c.values;
        c.matches += spans.size();
        if (!args.flag("count")) {
          printer.found(table.name, rows.name(rs), rs.fieldName(k), value, spans);
        }
      }
      if (jet::Status moved = rs.moveNext(); !moved.ok()) {
        fail(context, table.name + ": " + moved.description());
        clean = false;
        break;
      }
    }
    for (const auto& [k, c] : counts) printer.counted(table.name, rs.fieldName(k), c);
  }
  (void)connection->close();
  if (!context.out) return fail(context, "cannot write to the standard output");
  return clean ? kExitOk : kExitFailure;
}

}  // namespace cli
