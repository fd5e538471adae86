#include "cli/Options.h"

#include "convert/TripText.h"

#include <algorithm>
#include <charconv>
#include <string_view>

const char* const kCliUsageText =
    "Usage: tallo2nmea-cli [OPTION]... INPUT...\n"
    "       tallo2nmea-cli --info [--bias MINUTES | --utc-offset +HH:MM] INPUT...\n"
    "\n"
    "Converts raw GPS logger images to NMEA 0183 $GPRMC files or GPX files. A file whose\n"
    "extension is \".BNX4\" (any letter case) is read as a sector log, any other as a block\n"
    "log.\n"
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
    "  --to TIME            write fixes before TIME\n"
    "  -o, --output FILE    output file (one INPUT only; \"-\" for standard output;\n"
    "                       default: INPUT with its extension replaced by \".nmea\")\n"
    "  --output-dir DIR     write each default output name into DIR\n"
    "  --format nmea|gpx    the output format (default nmea); the default output name\n"
    "                       takes its extension, .nmea or .gpx\n"
    "  --utc                NMEA time and date fields in UTC, in lines other programs\n"
    "                       read (default: local standard time, the logger's own fields)\n"
    "  --gga                NMEA: a $GPGGA line with the height before each $GPRMC line\n"
    "  --split trip|day     one file per trip, or per calendar day (local standard time,\n"
    "                       UTC with --utc), named STEM-YYYYMMDD-hhmmss.EXT (the trip's\n"
    "                       start) or STEM-YYYYMMDD.EXT; not with -o\n"
    "  -q, --quiet          no summary line per input on standard error\n"
    "  --trips              print each input's trips (start, end, fixes, duration,\n"
    "                       distance, speed, heights) as tab-separated lines; write\n"
    "                       nothing\n"
    "  --trip N             convert only trip N (1-based, as --trips numbers them);\n"
    "                       repeatable, or a list such as 1,3-5; one INPUT only, not\n"
    "                       with --from or --to\n"
    "  --gap MINUTES        a pause longer than this starts a new trip (default 10)\n"
    "  --add-weeks N        add N GPS weeks (-2048 to 2048) to every logger time;\n"
    "                       1024 repairs a logger whose dates are 19.6 years early\n"
    "  --info               print each input's kind, fix count, first and last fix time;\n"
    "                       write nothing\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "  --                   every argument after it is an INPUT\n"
    "\n"
    "Standard output carries data only (the --info records, or the NMEA with -o -);\n"
    "summaries, warnings and errors go to standard error.\n"
    "\n"
    "Exit status: 0 success, 1 an input or output failed, 2 usage error (nothing was\n"
    "run), 3 an input was ignored (missing, a folder, a size that is not a whole number of\n"
    "blocks or sectors, over 16 MiB).\n";

namespace {

using Setter = std::optional<std::string> (*)(CliOptions&, const std::string&);

struct OptionEntry {
    std::string_view Long;
    std::string_view Short; // empty when there is none
    bool TakesValue;
    Setter Apply;
};

std::optional<std::int32_t> ParseBias(const std::string& text)
{
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    // A day either way covers every time zone there is.
    if (text.empty() || ec != std::errc() || ptr != end || value < -1440 || value > 1440)
        return std::nullopt;
    return value;
}

// "+HH:MM" or "-HH:MM" (hours 00-24, minutes 00-59, at most a day) as a bias: "+09:00" is -540.
std::optional<std::int32_t> ParseUtcOffset(const std::string& text)
{
    auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' || !digit(1) ||
        !digit(2) || !digit(4) || !digit(5))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    const int offset = hours * 60 + minutes;
    if (minutes > 59 || offset > 1440)
        return std::nullopt;
    return text[0] == '+' ? -offset : offset;
}

// --bias and --utc-offset both set the time zone, once.
std::optional<std::string> SetZone(CliOptions& o, std::optional<std::int32_t> bias,
                                   const std::string& expected, const std::string& value)
{
    if (o.Bias)
        return "give the time zone once, with either --bias or --utc-offset";
    o.Bias = bias;
    if (!o.Bias)
        return expected + ", not '" + value + "'";
    return std::nullopt;
}

std::optional<std::string> SetBias(CliOptions& o, const std::string& value)
{
    return SetZone(o, ParseBias(value), "--bias takes whole minutes from -1440 to 1440", value);
}

std::optional<std::string> SetUtcOffset(CliOptions& o, const std::string& value)
{
    return SetZone(o, ParseUtcOffset(value), "--utc-offset takes +HH:MM or -HH:MM (at most 24:00)",
                   value);
}

std::optional<std::string> SetTime(std::optional<std::string>& side, const std::string& value)
{
    if (!ParseCliDateTime(value))
        return "a time must be written \"YYYY-MM-DD hh:mm:ss\" with hour 00-23, minute and "
               "second 00-59, not '" +
               value + "'";
    side = value;
    return std::nullopt;
}

std::optional<std::string> AddTrips(CliOptions& o, const std::string& value)
{
    const std::optional<std::vector<std::int32_t>> numbers = ParseTripList(value);
    if (!numbers)
        return "--trip takes trip numbers from 1 and ranges such as 1,3-5, not '" + value + "'";
    std::vector<std::int32_t>& all = o.TripNumbers;
    all.insert(all.end(), numbers->begin(), numbers->end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return std::nullopt;
}

// Whole minutes from 1 to 100000 (about ten weeks).
std::optional<std::string> SetGap(CliOptions& o, const std::string& value)
{
    std::int64_t minutes = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, minutes);
    if (value.empty() || ec != std::errc() || ptr != end || minutes < 1 || minutes > 100000)
        return "--gap takes whole minutes from 1 to 100000, not '" + value + "'";
    o.GapMs = minutes * 60000;
    return std::nullopt;
}

std::optional<std::string> SetAddedWeeks(CliOptions& o, const std::string& value)
{
    std::int32_t weeks = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, weeks);
    if (value.empty() || ec != std::errc() || ptr != end || weeks < -2048 || weeks > 2048)
        return "--add-weeks takes whole weeks from -2048 to 2048, not '" + value + "'";
    o.AddedWeeks = weeks;
    return std::nullopt;
}

std::optional<std::string> SetPath(std::optional<std::string>& path, const std::string& name,
                                   const std::string& value)
{
    if (value.empty())
        return name + " needs a path, not an empty text";
    path = value;
    return std::nullopt;
}

std::optional<std::string> SetFormat(CliOptions& o, const std::string& value)
{
    if (value == "nmea" || value == "gpx") {
        o.Format.Format = value == "gpx" ? TrackFormat::Gpx : TrackFormat::Nmea;
        return std::nullopt;
    }
    return "--format takes nmea or gpx, not '" + value + "'";
}

std::optional<std::string> SetSplit(CliOptions& o, const std::string& value)
{
    if (value == "trip" || value == "day") {
        o.Split = value == "trip" ? SplitMode::Trip : SplitMode::Day;
        return std::nullopt;
    }
    return "--split takes trip or day, not '" + value + "'";
}

// The output choice against the other options.
std::optional<std::string> CheckOutputChoice(const CliOptions& o)
{
    if (o.Split && o.Output)
        return "--split writes several files: name their folder with --output-dir, not -o";
    if (o.Format.Gga && o.Format.Format != TrackFormat::Nmea)
        return "--gga adds NMEA lines and cannot be used with --format gpx";
    return std::nullopt;
}

constexpr OptionEntry kOptions[] = {
    {"--info", "", false,
     [](CliOptions& o, const std::string&) -> std::optional<std::string> {
         o.Info = true;
         return std::nullopt;
     }},
    {"--quiet", "-q", false,
     [](CliOptions& o, const std::string&) -> std::optional<std::string> {
         o.Quiet = true;
         return std::nullopt;
     }},
    {"--trips", "", false,
     [](CliOptions& o, const std::string&) -> std::optional<std::string> {
         o.Trips = true;
         return std::nullopt;
     }},
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
    {"--utc", "", false,
     [](CliOptions& o, const std::string&) -> std::optional<std::string> {
         o.Format.Utc = true;
         return std::nullopt;
     }},
    {"--gga", "", false,
     [](CliOptions& o, const std::string&) -> std::optional<std::string> {
         o.Format.Gga = true;
         return std::nullopt;
     }},
    {"--split", "", true, SetSplit},
    {"--geotag", "", false, SetGeotag},
    {"--camera-zone", "", true, SetCameraZone},
    {"--camera-offset", "", true, SetCameraOffset},
    {"--max-gap", "", true, SetMaxGap},
    {"--dry-run", "", false, SetDryRun},
    {"--sidecar", "", false, SetSidecar},
    {"--overwrite", "", false, SetOverwrite},
};

const OptionEntry* FindOption(std::string_view name)
{
    for (const OptionEntry& entry : kOptions)
        if (name == entry.Long || (!entry.Short.empty() && name == entry.Short))
            return &entry;
    return nullptr;
}

// Rules between options, checked once all are read.
std::optional<std::string> CheckCombination(const CliOptions& o)
{
    if (std::optional<std::string> geotag = CheckGeotagOptions(o); geotag || o.Geotag.On)
        return geotag;
    if (o.Inputs.empty())
        return "no input file given";
    if (o.Info && o.Trips)
        return "--info and --trips cannot be used together";
    if ((o.Info || o.Trips) && !o.TripNumbers.empty())
        return "--trip converts; it cannot be used with --info or --trips";
    if (o.Info || o.Trips)
        return std::nullopt;
    if (!o.TripNumbers.empty() && (o.From || o.To))
        return "--trip chooses the fixes itself; it cannot be used with --from or --to";
    if (!o.TripNumbers.empty() && o.Inputs.size() != 1)
        return "--trip can only be used with a single input";
    if (o.Output && o.OutputDir)
        return "-o and --output-dir cannot be used together";
    if (o.Output && o.Inputs.size() != 1)
        return "-o can only be used with a single input";
    return CheckOutputChoice(o);
}

} // namespace

std::optional<CliDateTime> ParseCliDateTime(const std::string& text)
{
    static constexpr char kPattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kPattern - 1)
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i])
            return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    const CliDateTime t{number(0, 4),  number(5, 2),  number(8, 2),
                        number(11, 2), number(14, 2), number(17, 2)};
    if (t.Hour > 23 || t.Minute > 59 || t.Second > 59)
        return std::nullopt;
    return t;
}

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
        if (arg == "--help" || arg == "-h")
            return CliQuestion::Help;
        if (arg == "--version")
            return CliQuestion::Version;
        // "--name=value" for the long options.
        const std::size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, eq);
        const OptionEntry* entry = FindOption(name);
        if (entry == nullptr || (eq != std::string::npos && !entry->TakesValue))
            return CliUsageError{"unknown option '" + arg + "'"};
        std::string value;
        if (eq != std::string::npos)
            value = arg.substr(eq + 1);
        else if (entry->TakesValue && i + 1 >= args.size())
            return CliUsageError{"option '" + name + "' needs a value"};
        else if (entry->TakesValue)
            value = args[++i];
        if (const std::optional<std::string> problem = entry->Apply(o, value))
            return CliUsageError{*problem};
    }
    if (const std::optional<std::string> problem = CheckCombination(o))
        return CliUsageError{*problem};
    return o;
}
