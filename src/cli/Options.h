#pragma once

#include "cli/GeotagOptions.h"
#include "convert/ConversionService.h"
#include "export/ExportFormat.h"
#include "messages/Language.h"
#include "store/TimeBase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// A time of --from or --to: the text as given, for messages, and its calendar fields, local
// standard time. The hour, minute and second are in range; the date is checked as a whole later,
// so an impossible date is an error of its own rather than of usage.
struct CliTime {
    std::string Text; // "YYYY-MM-DD hh:mm:ss"
    CalendarTime Fields;
};

// What the command line asks for, once parsed and checked as a whole.
struct CliOptions {
    bool Info = false;
    bool Quiet = false;
    std::optional<std::int32_t> Bias; // minutes, UTC = local time + bias
    std::optional<CliTime> From;
    std::optional<CliTime> To;
    std::optional<std::string> Output; // "-" for standard output
    std::optional<std::string> OutputDir;
    bool Trips = false;                    // list the trips instead of converting
    std::vector<std::int32_t> TripNumbers; // 1-based, sorted, unique: convert only these trips
    std::optional<std::int64_t> GapMs;     // the gap that splits trips
    std::int32_t AddedWeeks = 0;           // GPS weeks added to every logger time
    ExportFormat Format;                   // --format, --utc, --gga
    std::optional<SplitMode> Split;        // --split
    CliGeotag Geotag;                      // --geotag: photos placed on the first input
    std::vector<std::string> Inputs;
    bool Import = false;                // --import: the inputs are added to the archive
    std::optional<std::string> Archive; // --archive: the archive, read in place of INPUT
    bool Days = false;                  // --days: the archive's days and their fixes
};

// Why the command line cannot run, in both languages; the text names the option or value at
// fault.
struct CliUsageError {
    std::string English;
    std::string Japanese;

    [[nodiscard]] const std::string& In(Language language) const
    {
        return language == Language::Japanese ? Japanese : English;
    }
};

// --help or --version, answered before anything else.
enum class CliQuestion {
    Help,
    Version,
};

using CliParse = std::variant<CliOptions, CliUsageError, CliQuestion>;

// Parses the arguments (without the program name). "--" ends the options; long options take
// their value as the next argument or after "="; short options may be bundled ("-qo FILE") and
// take their value from the rest of the argument ("-oFILE") or the next one.
[[nodiscard]] CliParse ParseCliArguments(const std::vector<std::string>& args);

extern const char* const kCliUsageText;
