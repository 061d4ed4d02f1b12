// connection_string.h: the provider string built from a database path and password for every
// opening of a database, and the parser that gives the path and password back to the engine.
#pragma once

#include <string>
#include <string_view>

#include "jet/core/status.h"

namespace db {

enum class Provider { kAce, kJet };

// The provider prefixes exactly as they are written, letter case included.
inline constexpr std::string_view kAcePrefix = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
inline constexpr std::string_view kJetPrefix = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
inline constexpr std::string_view kPasswordClause = ";JET OLEDB:Database Password=";

// The ACE provider when the path's last five characters, lower-cased, are "accdb" (no dot or
// space check); the Jet provider otherwise.
Provider providerFor(std::string_view path);

// Prefix, path, password clause, password; the clause is there also for an empty password. A
// path or password holding ';' or '"' goes in double quotes with each '"' doubled, so that it
// cannot break the string apart; every other value goes in unchanged.
std::string buildConnectionString(std::string_view path, std::string_view password);

// What a connection string asks for. Holds the password: never print or log it.
struct ConnectionTarget {
  Provider provider = Provider::kJet;
  std::string path;
  std::string password;
};

// Reads back what buildConnectionString() makes: entries "key=value" split at ';', keys without
// regard to letter case or surrounding spaces, values verbatim unless in double quotes (the
// provider name aside, whose spaces are trimmed). The
// provider and the data source are required; the password is empty when absent. Anything else
// is an error that quotes no part of the string, since it may hold the password.
jet::Result<ConnectionTarget> parseConnectionString(std::string_view text);

}  // namespace db
