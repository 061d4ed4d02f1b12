// info_command.cpp: prints the header facts of a database and how many user tables it holds.
#include "cli/info_command.h"

#include <algorithm>
#include <ostream>

#include "db/table_catalogue.h"

namespace cli {
namespace {

std::string_view formatName(jet::Version v) {
  switch (v) {
    case jet::Version::kJet3:
      return "Access 97 (.mdb)";
    case jet::Version::kJet4:
      return "Access 2000-2003 (.mdb)";
    case jet::Version::kAce12:
      return "Access 2007 (.accdb)";
    case jet::Version::kAce14:
      return "Access 2010-2013 (.accdb)";
    case jet::Version::kAce15:
      return "Access (.accdb)";
    case jet::Version::kAce16:
      return "Access 2016 (.accdb)";
    case jet::Version::kAce17:
      return "Access 2019 (.accdb)";
  }
  return "unknown";
}

std::string sortOrderText(const jet::HeaderInfo& h) {
  std::string text = std::to_string(h.sortOrder);
  if (h.version != jet::Version::kJet3)
    text += " (version " + std::to_string(h.sortOrderVersion) + ")";
  return text;
}

std::string encryptionText(const jet::HeaderInfo& h) {
  std::string text = h.encryption.empty() ? "none" : h.encryption;
  if (h.hasPassword) text += ", database password set";
  return text;
}

}  // namespace

std::string InfoCommand::help() const {
  return "Usage: fieldmend-cli info FILE [--password PASSWORD]\n"
         "Shows what the header of an Access database says, one \"key: value\" a line:\n"
         "format, version, page size, code page, sort order, encryption and table count\n"
         "(the number of user tables).\n"
         "\n"
         "Options:\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments InfoCommand::acceptedArguments() const {
  return {{"FILE"}, {{"password", true}}};
}

int InfoCommand::run(const Arguments& args, CommandContext& context) const {
  auto db = openDatabase(args, context);
  if (!db) return kExitFailure;
  const jet::HeaderInfo& h = db->header();
  const auto entries = db->tableSchema();
  const auto tables = std::count_if(entries.begin(), entries.end(), db::isUserTable);
  std::ostream& out = context.out;
  out << "format: " << formatName(h.version) << '\n'
      << "version: " << jet::versionName(h.version) << '\n'
      << "page size: " << h.pageSize << '\n'
      << "code page: " << h.codePage << '\n'
      << "sort order: " << sortOrderText(h) << '\n'
      << "encryption: " << encryptionText(h) << '\n'
      << "table count: " << tables << '\n';
  return out ? kExitOk : fail(context, "cannot write to the standard output");
}

}  // namespace cli
