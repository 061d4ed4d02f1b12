// provider_check.h: the start-up check that the data access layer can be created, and whether a
// failure to create it means the provider is missing. What the user is then asked (the download
// pages of the Access Database Engine) is the application shell's: app/provider_prompt.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "jet/core/status.h"

namespace db {

// Creates the data access layer and reports whether that worked. The built-in engine always can.
using EngineProbe = std::function<jet::Status()>;
jet::Status builtInEngineProbe();

// A failure means "the provider is missing" when its description holds this phrase (letter case
// aside) or its number is kProviderNotFound.
inline constexpr std::string_view kMissingProviderPhrase = "provider cannot be found";
inline constexpr std::int32_t kProviderNotFound = 3706;

bool isMissingProvider(const jet::Error& failure);

enum class ProviderState {
  kPresent,   // the probe succeeded
  kMissing,   // it failed because the provider is missing
  kUnusable,  // it failed for another reason
};

// Runs `probe` (the built-in one when empty) and tells which of the three it was. Shows nothing.
ProviderState probeProvider(const EngineProbe& probe);

}  // namespace db
