// provider_prompt.h: the start-up provider check as the user meets it: when the data access layer
// is missing, the question that offers the download pages of the Access Database Engine, and the
// opening of both pages on Yes. Whether the layer is there is db/provider_check.h's to tell.
#pragma once

#include <string>

#include "app/question_box.h"
#include "app/url_opener.h"
#include "db/provider_check.h"

namespace app {

inline constexpr const char* kDownloadPage2010 =
    "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr const char* kDownloadPage2016 =
    "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

// The question shown when the provider is missing: its lines joined by CR LF, with one empty line
// between each two.
std::string missingProviderQuestion();

// True exactly when `probe` succeeds (an empty probe is the built-in engine's). When it fails
// because the provider is missing, asks missingProviderQuestion() and, on Yes, opens the 2010 then
// the 2016 download page (failures of those openings are ignored); any failure answers false.
// Shows nothing else.
bool checkProvider(const db::EngineProbe& probe, QuestionBox& question, UrlOpener& opener);

}  // namespace app
