// connection_string.cpp: building and parsing the provider string.

#include "db/connection_string.h"

#include <algorithm>
#include <optional>

#include "db/error_codes.h"
#include "jet/core/fold_case.h"

namespace db {
namespace {

using jet::equalsIgnoringCase;

constexpr std::string_view kAceName = "microsoft.ace.oledb.12.0";
constexpr std::string_view kJetName = "microsoft.jet.oledb.4.0";
constexpr std::string_view kProviderKey = "provider";
constexpr std::string_view kSourceKey = "data source";
constexpr std::string_view kPasswordKey = "jet oledb:database password";

std::string_view trimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void appendValue(std::string& out, std::string_view value) {
  if (value.find_first_of(";\"") == std::string_view::npos) {
    out.append(value);
    return;
  }
  out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

jet::Error malformed(std::size_t entry, std::string_view what) {
  return jet::Error{err::kBadConnectionString, "The connection string is not understood: entry " +
                                                   std::to_string(entry) + " " + std::string(what) +
                                                   "."};
}

// One "key=value" entry being read, from `pos` on; `pos` ends past its ';'.
struct Entry {
  std::string_view key;
  std::string value;
};

// A value in double quotes starting at text[pos] == '"'; a doubled quote stands for one.
jet::Result<std::string> readQuoted(std::string_view text, std::size_t& pos, std::size_t entry) {
  std::string value;
  for (std::size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      value.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      value.push_back('"');
      ++i;
    } else {
      std::size_t next = i + 1;
      while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) ++next;
      if (next < text.size() && text[next] != ';') {
        return malformed(entry, "has text after its closing quote");
      }
      pos = next < text.size() ? next + 1 : next;
      return value;
    }
  }
  return malformed(entry, "has a quote that is never closed");
}

// The next entry, or none when only blank entries remain.
jet::Result<std::optional<Entry>> readEntry(std::string_view text, std::size_t& pos,
                                            std::size_t& entry) {
  while (pos < text.size()) {
    ++entry;
    const std::size_t semicolon = std::min(text.find(';', pos), text.size());
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos || equals > semicolon) {
      if (!trimSpaces(text.substr(pos, semicolon - pos)).empty()) {
        return malformed(entry, "has no '='");
      }
      pos = semicolon + 1;
      continue;
    }
    Entry result{trimSpaces(text.substr(pos, equals - pos)), {}};
    pos = equals + 1;
    if (pos < text.size() && text[pos] == '"') {
      JET_ASSIGN_OR_RETURN(result.value, readQuoted(text, pos, entry));
    } else {
      result.value = std::string(text.substr(pos, semicolon - pos));
      pos = semicolon + 1;
    }
    return std::optional<Entry>(std::move(result));
  }
  return std::optional<Entry>();
}

jet::Result<Provider> providerNamed(std::string_view value) {
  const std::string_view name = trimSpaces(value);  // unlike paths, names carry no spaces
  if (equalsIgnoringCase(name, kAceName)) return Provider::kAce;
  if (equalsIgnoringCase(name, kJetName)) return Provider::kJet;
  return jet::Error{err::kBadConnectionString,
                    "The connection string names a provider that is not supported; it must be "
                    "Microsoft.ACE.OLEDB.12.0 or Microsoft.Jet.OLEDB.4.0."};
}

// Stores one entry's value in `slot`, refusing a key given twice.
jet::Status fill(std::optional<std::string>& slot, std::string value, std::size_t entry) {
  if (slot) return malformed(entry, "repeats a key given before");
  slot = std::move(value);
  return {};
}

}  // namespace

Provider providerFor(std::string_view path) {
  constexpr std::string_view kAccdb = "accdb";
  const std::string_view tail = path.size() > kAccdb.size() ? path.substr(path.size() - 5) : path;
  return equalsIgnoringCase(tail, kAccdb) ? Provider::kAce : Provider::kJet;
}

std::string buildConnectionString(std::string_view path, std::string_view password) {
  std::string out(providerFor(path) == Provider::kAce ? kAcePrefix : kJetPrefix);
  appendValue(out, path);
  out.append(kPasswordClause);
  appendValue(out, password);
  return out;
}

jet::Result<ConnectionTarget> parseConnectionString(std::string_view text) {
  std::optional<std::string> provider, source, password;
  std::size_t pos = 0;
  std::size_t entry = 0;
  while (true) {
    JET_ASSIGN_OR_RETURN(std::optional<Entry> next, readEntry(text, pos, entry));
    if (!next) break;
    std::optional<std::string>* slot = equalsIgnoringCase(next->key, kProviderKey)   ? &provider
                                       : equalsIgnoringCase(next->key, kSourceKey)   ? &source
                                       : equalsIgnoringCase(next->key, kPasswordKey) ? &password
                                                                                     : nullptr;
    if (slot == nullptr) return malformed(entry, "has a key that is not understood");
    JET_TRY(fill(*slot, std::move(next->value), entry));
  }
  if (!provider || !source) {
    return jet::Error{err::kBadConnectionString, provider
                                                     ? "The connection string names no Data Source."
                                                     : "The connection string names no Provider."};
  }
  JET_ASSIGN_OR_RETURN(const Provider kind, providerNamed(*provider));
  return ConnectionTarget{kind, std::move(*source), password.value_or(std::string())};
}

}  // namespace db
