// info_command.cpp: prints the header facts of a database and how many user tables it holds.
#include "cli/info_command.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/table_catalogue.h"
#include "jet/core/error_codes.h"

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
         "(the number of user tables). An encrypted file's cipher and hash are shown without\n"
         "the password; its table count needs it.\n"
         "\n"
         "Options:\n"
         "  --password PASSWORD  the database password, when it has one\n"
         "  -h, --help           show this help\n";
}

AcceptedArguments InfoCommand::acceptedArguments() const {
  return {{"FILE"}, {{"password", true}}};
}

int InfoCommand::run(const Arguments& args, CommandContext& context) const {
  const std::string& path = args.positional[0];
  const std::string password = args.value("password");
  std::unique_ptr<db::Connection> db;
  std::optional<jet::HeaderInfo> headerOnly;
  auto opened = db::Connection::open(db::buildConnectionString(path, password),
                                     db::ConnectionMode::kRead, context.openDatabase);
  if (opened.ok()) {
    db = std::move(*opened);
    if (std::string notice = db->recoveryNotice(); !notice.empty()) {
      context.err << "fieldmend-cli: " << notice << "\n";
    }
  } else if (opened.error().number == jet::err::kAuthFailed && password.empty()) {
    // The header names an encrypted file's cipher without the password: show it, and say that
    // the tables need the password, rather than fail.
    auto header = db::readFileHeader(path);
    if (!header.ok()) return failToOpen(context, header.error(), path);
    headerOnly = *header;
  } else {
    return failToOpen(context, opened.error(), path);
  }
  const jet::HeaderInfo& h = db ? db->header() : *headerOnly;
  std::ostream& out = context.out;
  out << "format: " << formatName(h.version) << '\n'
      << "version: " << jet::versionName(h.version) << '\n'
      << "page size: " << h.pageSize << '\n'
      << "code page: " << h.codePage << '\n'
      << "sort order: " << sortOrderText(h) << '\n'
      << "encryption: " << encryptionText(h) << '\n';
  if (db) {
    const auto entries = db->tableSchema();
    out << "table count: " << std::count_if(entries.begin(), entries.end(), db::isUserTable)
        << '\n';
  } else {
    out << "table count: unknown (the database password is needed)\n";
  }
  return out ? kExitOk : fail(context, "cannot write to the standard output");
}

}  // namespace cli
