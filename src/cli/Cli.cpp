#include "cli/Cli.h"

#include "convert/ConversionService.h"
#include "messages/ErrorText.h"
#include "store/TimeBase.h"
#include "store/Version.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <optional>

namespace {

constexpr const char* kProgram = "tallo2nmea-cli";

constexpr const char* kUsage =
    "Usage: tallo2nmea-cli [--bias MINUTES] [--from \"YYYY-MM-DD hh:mm:ss\"]\n"
    "                      [--to \"YYYY-MM-DD hh:mm:ss\"] [-o OUTPUT] INPUT...\n"
    "       tallo2nmea-cli --info [--bias MINUTES] INPUT...\n"
    "\n"
    "Converts raw GPS logger images to NMEA 0183 $GPRMC files. A file whose extension is\n"
    "\".BNX4\" (any letter case) is read as a sector log, any other as a block log.\n"
    "\n"
    "Options:\n"
    "  --bias MINUTES  time-zone bias in minutes, UTC = local time + bias\n"
    "                  (default: the standard bias of the local time zone)\n"
    "  --from TIME     write fixes at or after TIME (local time, whole seconds)\n"
    "  --to TIME       write fixes before TIME (local time, whole seconds)\n"
    "  -o OUTPUT       output file (one INPUT only; default: INPUT with the\n"
    "                  extension replaced by \".nmea\")\n"
    "  --info          print kind, fix count, first and last fix time; write nothing\n"
    "  --help          show this help\n"
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 success, 1 error, 2 usage error, 3 an input ignored.\n";

struct Options {
    bool info = false;
    std::optional<std::int32_t> bias;
    std::optional<std::string> from;
    std::optional<std::string> to;
    std::optional<std::string> output;
    std::vector<std::string> inputs;
};

struct DateTimeText {
    int year, month, day, hour, minute, second;
};

// "YYYY-MM-DD hh:mm:ss" exactly; the hour, minute and second must be in range. The date is
// checked as a whole later, so an impossible date is an error of its own rather than of usage.
std::optional<DateTimeText> ParseDateTime(const std::string& text)
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
    DateTimeText t{number(0, 4),  number(5, 2),  number(8, 2),
                   number(11, 2), number(14, 2), number(17, 2)};
    if (t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

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

// Returns the parsed options, or the usage error's text.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& problem)
{
    Options o;
    bool onlyInputs = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }
        if (arg == "--info") {
            o.info = true;
            continue;
        }
        // Options with a value: "--name value" or "--name=value".
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--bias" && name != "--from" && name != "--to" && name != "-o") {
            problem = "unknown option '" + arg + "'";
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                problem = "option '" + name + "' needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (name == "--bias") {
            o.bias = ParseBias(*value);
            if (!o.bias) {
                problem = "--bias takes whole minutes from -1440 to 1440, not '" + *value + "'";
                return std::nullopt;
            }
        } else if (name == "--from") {
            o.from = *value;
        } else if (name == "--to") {
            o.to = *value;
        } else {
            o.output = *value;
        }
    }
    if (o.inputs.empty()) {
        problem = "no input file given";
        return std::nullopt;
    }
    if (!o.info) {
        for (const auto* side : {&o.from, &o.to}) {
            if (*side && !ParseDateTime(**side)) {
                problem = "a time must be written \"YYYY-MM-DD hh:mm:ss\" with hour 00-23, "
                          "minute and second 00-59, not '" +
                          **side + "'";
                return std::nullopt;
            }
        }
        if (o.output && o.inputs.size() != 1) {
            problem = "-o can only be used with a single input";
            return std::nullopt;
        }
    }
    return o;
}

std::string IgnoreReasonText(IgnoreReason reason, LogKind kind)
{
    const char* unit =
        kind == LogKind::Sector ? "4096 bytes (sector log)" : "65536 bytes (block log)";
    switch (reason) {
    case IgnoreReason::NotFound:
        return "no such file";
    case IgnoreReason::NotAFile:
        return "not a regular file (a folder?)";
    case IgnoreReason::SizeNotMultiple:
        return std::string("its size is not a multiple of ") + unit;
    case IgnoreReason::TooLarge:
        return "larger than 16 MiB, more than any logger holds";
    case IgnoreReason::ShortRead:
        return std::string("the bytes read were not a multiple of ") + unit;
    case IgnoreReason::None:
        break;
    }
    return "ignored";
}

const char* KindName(LogKind kind) { return kind == LogKind::Sector ? "sector" : "block"; }

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        out << kUsage;
        return kCliOk;
    }
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        out << kProgram << ' ' << kVersion << '\n';
        return kCliOk;
    }
    std::string problem;
    const std::optional<Options> parsed = ParseArguments(args, problem);
    if (!parsed) {
        err << kProgram << ": " << problem << "\n"
            << "Try '" << kProgram << " --help' for more information.\n";
        return kCliUsage;
    }
    const Options& o = *parsed;

    // The time window is checked before any file is read, so a bad date reads and writes nothing.
    TimeWindow window;
    if (!o.info) {
        for (const auto& [text, bound] :
             {std::pair{&o.from, &window.Start}, std::pair{&o.to, &window.End}}) {
            if (!*text)
                continue;
            const DateTimeText t = *ParseDateTime(**text);
            const std::optional<double> day = ConversionService::MomentOf(
                {t.year, t.month, t.day, t.hour, t.minute, t.second, 0});
            if (!day) {
                err << kProgram << ": " << WithFinalPoint(kDateConversionError) << '\n';
                return kCliError;
            }
            *bound = *day;
        }
    }

    ConversionService service(o.bias ? *o.bias : StandardTimeZoneBias());

    int status = kCliOk;
    for (const std::string& input : o.inputs) {
        const LoadResult r = service.Load(input);
        if (r.Failed()) {
            err << kProgram << ": " << input << ": " << WithFinalPoint(IoErrorText(r.IoErrno))
                << '\n';
            status = std::max(status, static_cast<int>(kCliError));
            continue;
        }
        if (r.Kind == LogKind::None) {
            if (o.info)
                out << "kind: ignored\n";
            err << kProgram << ": " << input
                << ": ignored: " << IgnoreReasonText(r.Ignored, KindFromPath(input)) << '\n';
            status = std::max(status, static_cast<int>(kCliIgnored));
            continue;
        }
        if (o.info) {
            const std::optional<LogSpan> span = service.Span();
            out << "kind: " << KindName(r.Kind) << '\n'
                << "fixes: " << service.FixCount() << '\n'
                << "first: " << (span ? FormatDayCount(span->First) : "-") << '\n'
                << "last: " << (span ? FormatDayCount(span->Last) : "-") << '\n';
            continue;
        }

        const std::string target = o.output ? *o.output : ConversionService::DefaultTarget(input);
        const ExportResult written = service.Export(target, window);
        if (written.Status == ExportStatus::SameAsLog) {
            err << kProgram << ": " << target << ": " << WithFinalPoint(kSameFileError) << '\n';
            status = std::max(status, static_cast<int>(kCliError));
            continue;
        }
        if (!written.Ok()) {
            err << kProgram << ": " << WithFinalPoint(ExportErrorText(written, target)) << '\n';
            status = std::max(status, static_cast<int>(kCliError));
            continue;
        }
        out << input << " -> " << target << " (" << written.LinesWritten << " of "
            << service.FixCount() << " fixes)\n";
    }
    return status;
}
