#pragma once

#include "load/LogFile.h"
#include "messages/Language.h"

#include <cstdint>
#include <string>

// Notes on a loaded log that both front ends show: the command line on standard error, the
// window in the overview's summary.

// The hint for a file whose content fits the other kind far better than the kind its name
// gives: "this looks like a block log; block logs end in .bin or .binx".
[[nodiscard]] std::string LooksLikeText(LogKind resembles, Language language);

// The note for fixes that lie in the system zone's summer time: the times are standard time.
[[nodiscard]] std::string StandardTimeNote(std::int32_t biasMinutes, Language language);
