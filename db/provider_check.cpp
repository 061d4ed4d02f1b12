// provider_check.cpp: the start-up check of the data access layer.

#include "db/provider_check.h"

#include <string>

namespace db {
namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

jet::Status builtInEngineProbe() { return {}; }

bool isMissingProvider(const jet::Error& failure) {
  return failure.number == kProviderNotFound ||
         lowerAscii(failure.description).find(kMissingProviderPhrase) != std::string::npos;
}

ProviderState probeProvider(const EngineProbe& probe) {
  const jet::Status created = probe ? probe() : builtInEngineProbe();
  if (created.ok()) return ProviderState::kPresent;
  return isMissingProvider(created.error()) ? ProviderState::kMissing : ProviderState::kUnusable;
}

}  // namespace db
