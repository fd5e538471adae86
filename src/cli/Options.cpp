#include "cli/Options.h"

#include "convert/TripText.h"
#include "messages/CliText.h"
#include "store/TimeBase.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <tuple>

const char* const kCliUsageText =
    "Usage: tallo2nmea-cli [OPTION]... INPUT...\n"
    "       tallo2nmea-cli --info [--bias MINUTES | --utc-offset +HH:MM] INPUT...\n"
    "       tallo2nmea-cli --import [--archive DB] INPUT...\n"
    "       tallo2nmea-cli --archive DB [OPTION]...\n"
    "\n"
    "Converts raw GPS logger images to NMEA 0183 $GPRMC files or GPX, KML, GeoJSON or\n"
    "CSV files. A file whose extension is \".BNX4\" (any letter case) is read as a sector\n"
    "log, any other as a block log.\n"
    "\n"
    "Options:\n"
    "  --utc-offset +HH:MM  the local time zone as an offset from UTC, east positive:\n"
    "                       --utc-offset +09:00 for Japan, --utc-offset -03:30 for\n"
    "                       Newfoundland\n"
    "  --bias MINUTES       the same as a bias in minutes, UTC = local time + bias, so\n"
    "                       west positive: --bias -540 for Japan, --bias 210 for\n"
    "                       Newfoundland (default for both: the local time zone's\n"
    "                       standard time)\n"
    "  --from TIME          write fixes at or after TIME, \"YYYY-MM-DD hh:mm:ss\" in local\n"
    "                       standard time\n"
    "  --to TIME            write fixes before TIME (after --from)\n"
    "  -o, --output FILE    output file (one INPUT only; \"-\" for standard output;\n"
    "                       default: INPUT with its extension replaced by \".nmea\")\n"
    "  --output-dir DIR     write each default output name into DIR\n"
    "  --format FORMAT      the output format: nmea (default), gpx, kml, geojson or\n"
    "                       csv; the default output name takes its extension (.nmea,\n"
    "                       .gpx, .kml, .geojson, .csv)\n"
    "  --utc                NMEA time and date fields in UTC, in lines other programs\n"
    "                       read (default: local standard time, the logger's own fields);\n"
    "                       with --info or --trips their times are UTC too\n"
    "  --gga                NMEA: a $GPGGA line with the height before each $GPRMC line,\n"
    "                       in receivers' style; without --utc both lines carry local\n"
    "                       standard time\n"
    "  --split trip|day     one file per trip, or per calendar day (local standard time,\n"
    "                       UTC with --utc), named STEM-YYYYMMDD-hhmmss.EXT (the trip's\n"
    "                       start) or STEM-YYYYMMDD.EXT; not with -o\n"
    "  -q, --quiet          no summary line per input on standard error\n"
    "  --trips              print each input's trips (start, end, fixes, duration,\n"
    "                       distance, speed, heights, moving time, average moving\n"
    "                       speed, ascent, descent) as tab-separated lines; write\n"
    "                       nothing\n"
    "  --trip N             convert only trip N (1-based, as --trips numbers them);\n"
    "                       repeatable, or a list such as 1,3-5; one INPUT only, not\n"
    "                       with --from or --to\n"
    "  --gap MINUTES        a pause longer than this starts a new trip (default 10)\n"
    "  --add-weeks N        add N GPS weeks (-2048 to 2048) to every logger time;\n"
    "                       1024 repairs a logger whose dates are 19.6 years early\n"
    "  --info               print each input's kind, fix count, first and last fix time;\n"
    "                       write nothing\n"
    "  --import             add every fix of each INPUT to the archive, once; print\n"
    "                       \"file:\", \"new:\", \"known:\", \"conflicts:\" (a moment the\n"
    "                       archive held with another position: both kept) and\n"
    "                       \"uncovered:\" (the span before the copy without any fix,\n"
    "                       when longer than --gap; \"-\" when none) per INPUT\n"
    "  --archive DB         the archive (an SQLite file); without --import it takes\n"
    "                       the place of INPUT: every fix ever imported, in time order\n"
    "                       (default: archive.sqlite in the user's data folder,\n"
    "                       $XDG_DATA_HOME/tallo2nmea or ~/.local/share/tallo2nmea;\n"
    "                       %LOCALAPPDATA%\\Tallo2NMEA on Windows)\n"
    "  --days               print the archive's days, one line each: the date (local\n"
    "                       standard time, UTC with --utc), a tab and its fixes\n"
    "  -h, --help           show this help\n"
    "                       (short options may be bundled: -qo FILE, -oFILE)\n"
    "  --version            show the version\n"
    "  --                   every argument after it is an INPUT\n"
    "\n"
    "Standard output carries data only (the --info records, or the NMEA with -o -);\n"
    "summaries, warnings and errors go to standard error, in Japanese when the locale\n"
    "(LC_ALL, LC_MESSAGES or LANG) is Japanese, else in English. In the \"file:\" line\n"
    "of a record, a control character of a name is written C-style (\\n, \\t, \\x1b).\n"
    "\n"
    "Exit status: 0 success, 1 an input or output failed, 2 usage error (nothing was\n"
    "run), 3 an input was ignored (missing, a folder, a size that is not a whole number of\n"
    "blocks or sectors, over 16 MiB). An archive that is damaged, of another program or\n"
    "of a later version is refused unchanged, with status 1.\n";

namespace {

using Problem = std::optional<CliUsageError>;
using Setter = Problem (*)(CliOptions&, const std::string&);

struct OptionEntry {
    std::string_view Long;
    std::string_view Short; // empty when there is none
    bool TakesValue;
    Setter Apply;
};

CliUsageError Usage(const Bilingual& text, std::initializer_list<std::string_view> args = {})
{
    return {Fill(text.English, args), Fill(text.Japanese, args)};
}

// A whole number within [low, high], or nothing.
template <typename Int> std::optional<Int> ParseWhole(const std::string& text, Int low, Int high)
{
    Int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

// "+HH:MM" or "-HH:MM" (at most a day) as a bias: "+09:00" is -540.
std::optional<std::int32_t> ParseUtcOffset(const std::string& text)
{
    const std::optional<std::int32_t> east = ParseUtcOffsetText(text);
    if (!east)
        return std::nullopt;
    return -*east;
}

// --bias and --utc-offset both set the time zone, once.
Problem SetZone(CliOptions& o, std::optional<std::int32_t> bias, const Bilingual& expected,
                const std::string& value)
{
    if (o.Bias)
        return Usage(kUsageZoneTwice);
    o.Bias = bias;
    if (!o.Bias)
        return Usage(expected, {value});
    return std::nullopt;
}

Problem SetBias(CliOptions& o, const std::string& value)
{
    // A day either way covers every time zone there is.
    return SetZone(o, ParseWhole<std::int32_t>(value, -1440, 1440), kUsageBias, value);
}

Problem SetUtcOffset(CliOptions& o, const std::string& value)
{
    return SetZone(o, ParseUtcOffset(value), kUsageUtcOffset, value);
}

Problem SetTime(std::optional<CliTime>& side, const std::string& value)
{
    const std::optional<CalendarTime> fields = ParseDateTimeText(value, '-');
    if (!fields)
        return Usage(kUsageTime, {value});
    side = CliTime{value, *fields};
    return std::nullopt;
}

Problem AddTrips(CliOptions& o, const std::string& value)
{
    const std::optional<std::vector<std::int32_t>> numbers = ParseTripList(value);
    if (!numbers)
        return Usage(kUsageTripList, {value});
    std::vector<std::int32_t>& all = o.TripNumbers;
    all.insert(all.end(), numbers->begin(), numbers->end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return std::nullopt;
}

// Whole minutes from 1 to 100000 (about ten weeks).
Problem SetGap(CliOptions& o, const std::string& value)
{
    const std::optional<std::int64_t> minutes = ParseWhole<std::int64_t>(value, 1, 100000);
    if (!minutes)
        return Usage(kUsageGap, {value});
    o.GapMs = *minutes * 60000;
    return std::nullopt;
}

Problem SetAddedWeeks(CliOptions& o, const std::string& value)
{
    const std::optional<std::int32_t> weeks = ParseWhole<std::int32_t>(value, -2048, 2048);
    if (!weeks)
        return Usage(kUsageAddedWeeks, {value});
    o.AddedWeeks = *weeks;
    return std::nullopt;
}

Problem SetPath(std::optional<std::string>& path, std::string_view name, const std::string& value)
{
    if (value.empty())
        return Usage(kUsageEmptyPath, {name});
    path = value;
    return std::nullopt;
}

// The values of --format.
constexpr std::pair<std::string_view, TrackFormat> kFormatNames[] = {
    {"nmea", TrackFormat::Nmea},       {"gpx", TrackFormat::Gpx}, {"kml", TrackFormat::Kml},
    {"geojson", TrackFormat::GeoJson}, {"csv", TrackFormat::Csv},
};

std::string_view FormatName(TrackFormat format)
{
    for (const auto& [name, named] : kFormatNames)
        if (named == format)
            return name;
    return {};
}

Problem SetFormat(CliOptions& o, const std::string& value)
{
    for (const auto& [name, format] : kFormatNames) {
        if (value == name) {
            o.Format.Format = format;
            return std::nullopt;
        }
    }
    return Usage(kUsageFormat, {value});
}

Problem SetSplit(CliOptions& o, const std::string& value)
{
    if (value == "trip" || value == "day") {
        o.Split = value == "trip" ? SplitMode::Trip : SplitMode::Day;
        return std::nullopt;
    }
    return Usage(kUsageSplit, {value});
}

// A switch: sets its flag.
template <bool CliOptions::*Flag> Problem SetFlag(CliOptions& o, const std::string&)
{
    o.*Flag = true;
    return std::nullopt;
}

template <bool ExportFormat::*Flag> Problem SetFormatFlag(CliOptions& o, const std::string&)
{
    o.Format.*Flag = true;
    return std::nullopt;
}

constexpr OptionEntry kOptions[] = {
    {"--info", "", false, SetFlag<&CliOptions::Info>},
    {"--quiet", "-q", false, SetFlag<&CliOptions::Quiet>},
    {"--trips", "", false, SetFlag<&CliOptions::Trips>},
    {"--trip", "", true, AddTrips},
    {"--gap", "", true, SetGap},
    {"--add-weeks", "", true, SetAddedWeeks},
    {"--bias", "", true, SetBias},
    {"--utc-offset", "", true, SetUtcOffset},
    {"--from", "", true, [](CliOptions& o, const std::string& v) { return SetTime(o.From, v); }},
    {"--to", "", true, [](CliOptions& o, const std::string& v) { return SetTime(o.To, v); }},
    {"--output", "-o", true,
     [](CliOptions& o, const std::string& v) { return SetPath(o.Output, "-o", v); }},
    {"--output-dir", "", true,
     [](CliOptions& o, const std::string& v) { return SetPath(o.OutputDir, "--output-dir", v); }},
    {"--format", "", true, SetFormat},
    {"--utc", "", false, SetFormatFlag<&ExportFormat::Utc>},
    {"--gga", "", false, SetFormatFlag<&ExportFormat::Gga>},
    {"--split", "", true, SetSplit},
    {"--geotag", "", false, SetGeotag},
    {"--camera-zone", "", true, SetCameraZone},
    {"--camera-offset", "", true, SetCameraOffset},
    {"--camera-offset-from", "", true, SetCameraOffsetFrom},
    {"--max-gap", "", true, SetMaxGap},
    {"--dry-run", "", false, SetDryRun},
    {"--sidecar", "", false, SetSidecar},
    {"--overwrite", "", false, SetOverwrite},
    {"--backup", "", true, SetBackup},
    {"--import", "", false, SetFlag<&CliOptions::Import>},
    {"--archive", "", true,
     [](CliOptions& o, const std::string& v) { return SetPath(o.Archive, "--archive", v); }},
    {"--days", "", false, SetFlag<&CliOptions::Days>},
};

const OptionEntry* FindOption(std::string_view name)
{
    for (const OptionEntry& entry : kOptions)
        if (name == entry.Long || (!entry.Short.empty() && name == entry.Short))
            return &entry;
    return nullptr;
}

// The output format against the other options: the same rules whatever the run does.
Problem CheckOutputChoice(const CliOptions& o)
{
    if (o.Split && o.Output)
        return Usage(kUsageSplitWithOutput);
    if (o.Format.Gga && o.Format.Format != TrackFormat::Nmea)
        return Usage(kUsageGgaWithGpx, {FormatName(o.Format.Format)});
    return std::nullopt;
}

// --from must lie before --to; both are local standard time, so the fields compare as they are.
Problem CheckWindow(const CliOptions& o)
{
    if (!o.From || !o.To)
        return std::nullopt;
    const auto fields = [](const CliTime& t) {
        const CalendarTime& f = t.Fields;
        return std::tuple(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second);
    };
    if (fields(*o.From) < fields(*o.To))
        return std::nullopt;
    return Usage(kUsageStartNotBeforeEnd, {o.From->Text, o.To->Text});
}

// The archive's options against the others: an import takes logs and converts nothing; a run
// over the archive takes no INPUT.
Problem CheckArchiveChoice(const CliOptions& o)
{
    if (o.Import) {
        for (const auto& [on, name] : {std::pair{o.Info, "--info"},
                                       {o.Trips, "--trips"},
                                       {o.Days, "--days"},
                                       {o.Split.has_value(), "--split"},
                                       {o.Output.has_value(), "-o"},
                                       {!o.TripNumbers.empty(), "--trip"}})
            if (on)
                return Usage(kUsageImportWith, {name});
        return o.Inputs.empty() ? Usage(kUsageNoInput) : Problem{};
    }
    if (o.Days && (o.Info || o.Trips || !o.TripNumbers.empty()))
        return Usage(kUsageDaysWith);
    if ((o.Archive || o.Days) && !o.Inputs.empty())
        return Usage(kUsageArchiveAndInput, {o.Inputs.front()});
    return std::nullopt;
}

// Rules between options, checked once all are read.
Problem CheckCombination(const CliOptions& o)
{
    if (Problem geotag = CheckGeotagOptions(o); geotag || o.Geotag.On)
        return geotag;
    if (Problem archive = CheckArchiveChoice(o); archive || o.Import)
        return archive;
    const bool fromArchive = o.Archive || o.Days;
    if (o.Inputs.empty() && !fromArchive)
        return Usage(kUsageNoInput);
    if (o.Info && o.Trips)
        return Usage(kUsageInfoAndTrips);
    if ((o.Info || o.Trips) && !o.TripNumbers.empty())
        return Usage(kUsageTripWithListing);
    if (Problem problem = CheckOutputChoice(o))
        return problem;
    if (o.Info || o.Trips)
        return std::nullopt;
    if (!o.TripNumbers.empty() && (o.From || o.To))
        return Usage(kUsageTripWithWindow);
    if (!o.TripNumbers.empty() && o.Inputs.size() != 1 && !fromArchive)
        return Usage(kUsageTripInputs);
    if (o.Output && o.OutputDir)
        return Usage(kUsageOutputAndDir);
    if (o.Output && o.Inputs.size() != 1 && !fromArchive)
        return Usage(kUsageOutputInputs);
    return CheckWindow(o);
}

// Reads one option argument, "--name", "--name=value" or a run of short options ("-q",
// "-qo FILE", "-oFILE", as getopt reads them), taking a value from the next argument when it
// needs one. Sets `question` for --help and --version.
Problem ReadOption(const std::vector<std::string>& args, std::size_t& i, CliOptions& o,
                   std::optional<CliQuestion>& question)
{
    const std::string& arg = args[i];
    const auto apply = [&](const OptionEntry& entry, std::optional<std::string> value) -> Problem {
        if (entry.TakesValue && !value) {
            if (i + 1 >= args.size())
                return Usage(kUsageNeedsValue, {entry.Short.empty() ? entry.Long : entry.Short});
            value = args[++i];
        }
        return entry.Apply(o, value.value_or(std::string()));
    };
    if (arg.starts_with("--")) {
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (arg == "--help" || arg == "--version") {
            question = arg == "--help" ? CliQuestion::Help : CliQuestion::Version;
            return std::nullopt;
        }
        const OptionEntry* entry = FindOption(name);
        if (entry == nullptr || (eq != std::string::npos && !entry->TakesValue))
            return Usage(kUsageUnknownOption, {arg});
        return apply(*entry,
                     eq == std::string::npos ? std::nullopt : std::optional(arg.substr(eq + 1)));
    }
    for (std::size_t at = 1; at < arg.size(); ++at) {
        const std::string name{'-', arg[at]};
        if (name == "-h") {
            question = CliQuestion::Help;
            return std::nullopt;
        }
        const OptionEntry* entry = FindOption(name);
        if (entry == nullptr)
            return Usage(kUsageUnknownOption, {at == 1 ? arg : name});
        if (entry->TakesValue) // the rest of the argument is the value, if there is any
            return apply(*entry,
                         at + 1 < arg.size() ? std::optional(arg.substr(at + 1)) : std::nullopt);
        if (Problem problem = apply(*entry, std::nullopt))
            return problem;
    }
    return std::nullopt;
}

} // namespace

CliParse ParseCliArguments(const std::vector<std::string>& args)
{
    CliOptions o;
    bool onlyInputs = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyInputs || arg.size() < 2 || arg[0] != '-') {
            o.Inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }
        std::optional<CliQuestion> question;
        if (Problem problem = ReadOption(args, i, o, question))
            return *problem;
        if (question)
            return *question;
    }
    if (Problem problem = CheckCombination(o))
        return *problem;
    return o;
}
