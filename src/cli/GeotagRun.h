#pragma once

#include "cli/Options.h"

#include <ostream>

// Places the photos that follow the log (and the photos of folders given) on the track of the
// log `service` has loaded: one tab-separated line per photo on `out`, the summary on `err`.
// Returns the exit status: 0 when every photo was handled, 1 when one could not be.
// The summary speaks the run's language; the table's words are data, the same in every language.
int RunGeotag(const CliOptions& options, const ConversionService& service, std::ostream& out,
              std::ostream& err, Language language = Language::English);
