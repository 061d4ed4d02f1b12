// provider_check.h: the start-up check that the data access layer can be created, offering the
// download pages of the Access Database Engine when the provider is missing.
#pragma once

#include "db/error_report.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "db/question_box.h"
#include "db/url_opener.h"
#include "jet/core/status.h"

namespace db {

// Creates the data access layer and reports whether that worked. The built-in engine always can.
using EngineProbe = std::function<jet::Status()>;
jet::Status builtInEngineProbe();

// A failure means "the provider is missing" when its description holds this phrase (letter case
// aside) or its number is kProviderNotFound.
inline constexpr std::string_view kMissingProviderPhrase = "provider cannot be found";
inline constexpr std::int32_t kProviderNotFound = 3706;

inline constexpr const char* kDownloadPage2010 =
    "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr const char* kDownloadPage2016 =
    "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

bool isMissingProvider(const jet::Error& failure);

// The question shown when the provider is missing: its lines joined by CR LF, with one empty line
// between each two.
std::string missingProviderQuestion();

// True exactly when `probe` succeeds. When it fails because the provider is missing, asks
// missingProviderQuestion() and, on Yes, opens the 2010 then the 2016 download page (failures of
// those openings are ignored); any failure answers false. Shows nothing else.
bool checkProvider(const EngineProbe& probe, QuestionBox& question, UrlOpener& opener);

}  // namespace db
