#include "cli/Cli.h"

#include "cli/GeotagRun.h"
#include "cli/GeotagText.h"
#include "cli/Options.h"
#include "convert/ConversionService.h"
#include "convert/TripText.h"
#include "messages/ErrorText.h"
#include "store/PathText.h"
#include "store/TimeBase.h"
#include "store/Version.h"

#include <filesystem>
#include <optional>

namespace {

constexpr const char* kProgram = "tallo2nmea-cli";

// How one input ended; the run's status ranks them.
enum class Outcome {
    Done,
    Failed,
    Ignored,
    NoSuchTrip, // a --trip number beyond the log's trips: a usage error found after loading
};

std::string IgnoreReasonText(IgnoreReason reason, const std::string& input)
{
    const char* unit = KindFromPath(input) == LogKind::Sector ? "4096 bytes (sector log)"
                                                              : "65536 bytes (block log)";
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

class CliRun
{
  public:
    CliRun(const CliOptions& options, std::ostream& out, std::ostream& err)
        : m_options(options), m_out(out), m_err(err),
          m_service(options.Bias ? *options.Bias : StandardTimeZoneBias())
    {
        m_service.SetAddedWeeks(options.AddedWeeks);
    }

    // The window of --from and --to; nothing (after a message) for an impossible date.
    bool PrepareWindow();
    Outcome RunInput(const std::string& input);
    // --geotag: loads the log, the first input, and places the photos that follow on it.
    int Geotag()
    {
        LoadResult loaded;
        if (const std::optional<Outcome> refused = Load(m_options.Inputs.front(), loaded))
            return *refused == Outcome::Failed ? kCliError : kCliIgnored;
        return RunGeotag(m_options, m_service, m_out, m_err);
    }

  private:
    // Loads the input; nothing when it failed or was ignored (after saying why).
    std::optional<Outcome> Load(const std::string& input, LoadResult& result);
    // The "file:" line of an --info or --trips record and the load; after a failed or ignored
    // load also its "kind:" line, and the outcome.
    std::optional<Outcome> StartRecord(const std::string& input, LoadResult& result);
    Outcome PrintInfo(const std::string& input);
    Outcome PrintTrips(const std::string& input);
    Outcome Convert(const std::string& input);
    // The windows of the chosen trips; nothing (after a message) when a number is beyond them.
    std::optional<std::vector<TimeWindow>> ChosenTrips(const std::string& input);
    // The loaded log's trips with the --gap given: the service's own analysis for the default
    // gap, else one worked out into `own`.
    [[nodiscard]] const TripAnalysis& Analysis(std::optional<TripAnalysis>& own) const;
    Outcome ConvertSplit(const std::string& input, const ExportRequest& request);
    // Writes one output; nothing (after saying why) when it may not or could not be written.
    std::optional<ExportResult> Write(const std::string& input, const std::string& target,
                                      const ExportRequest& request);
    void Summarise(const std::string& input, const std::string& target, const ExportResult& result);
    [[nodiscard]] std::string TargetOf(const std::string& input) const;
    void Say(const std::string& subject, const std::string& message)
    {
        m_err << kProgram << ": " << subject << ": " << message << '\n';
    }

    const CliOptions& m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    ConversionService m_service;
    TimeWindow m_window;
    // The outputs this run has written, with the input each came from.
    std::vector<std::pair<std::string, std::string>> m_written;
};

bool CliRun::PrepareWindow()
{
    for (const auto& [text, bound] :
         {std::pair{&m_options.From, &m_window.Start}, std::pair{&m_options.To, &m_window.End}}) {
        if (!*text)
            continue;
        const CliDateTime t = *ParseCliDateTime(**text);
        *bound = ConversionService::MomentOf({t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second});
        if (!*bound) {
            Say(**text, WithFinalPoint(kDateConversionError));
            return false;
        }
    }
    return true;
}

Outcome CliRun::RunInput(const std::string& input)
{
    if (m_options.Info)
        return PrintInfo(input);
    return m_options.Trips ? PrintTrips(input) : Convert(input);
}

const TripAnalysis& CliRun::Analysis(std::optional<TripAnalysis>& own) const
{
    if (!m_options.GapMs)
        return m_service.Trips();
    return own.emplace(m_service.TripsWithGap(*m_options.GapMs));
}

Outcome CliRun::PrintTrips(const std::string& input)
{
    LoadResult result;
    if (const std::optional<Outcome> refused = StartRecord(input, result))
        return *refused;
    std::optional<TripAnalysis> own;
    const TripAnalysis& analysis = Analysis(own);
    m_out << kTripListHeader << '\n';
    for (std::size_t i = 0; i < analysis.Trips.size(); ++i)
        m_out << FormatTripRow(i + 1, analysis.Trips[i]) << '\n';
    return Outcome::Done;
}

std::optional<std::vector<TimeWindow>> CliRun::ChosenTrips(const std::string& input)
{
    std::optional<TripAnalysis> own;
    const TripAnalysis& analysis = Analysis(own);
    std::vector<TimeWindow> windows;
    for (const std::int32_t number : m_options.TripNumbers) {
        if (static_cast<std::size_t>(number) > analysis.Trips.size()) {
            const std::size_t count = analysis.Trips.size();
            Say(input, "there is no trip " + std::to_string(number) + ": the log has " +
                           std::to_string(count) + (count == 1 ? " trip" : " trips"));
            return std::nullopt;
        }
        windows.push_back(TripWindow(analysis.Trips[static_cast<std::size_t>(number) - 1]));
    }
    return windows;
}

std::optional<Outcome> CliRun::Load(const std::string& input, LoadResult& result)
{
    result = m_service.Load(input);
    if (result.Failed()) {
        Say(input, WithFinalPoint(IoErrorText(result.IoErrno)));
        return Outcome::Failed;
    }
    if (result.Kind == LogKind::None) {
        Say(input, "ignored: " + IgnoreReasonText(result.Ignored, input));
        return Outcome::Ignored;
    }
    if (result.LikelyWeekRollover)
        Say(input, "warning: the dates look 1024 weeks (about 19.6 years) early, as from a logger "
                   "that missed a GPS week rollover; --add-weeks 1024 repairs them");
    return std::nullopt;
}

std::optional<Outcome> CliRun::StartRecord(const std::string& input, LoadResult& result)
{
    m_out << "file: " << input << '\n';
    const std::optional<Outcome> refused = Load(input, result);
    if (refused)
        m_out << "kind: " << (*refused == Outcome::Failed ? "error" : "ignored") << '\n';
    return refused;
}

Outcome CliRun::PrintInfo(const std::string& input)
{
    LoadResult result;
    if (const std::optional<Outcome> refused = StartRecord(input, result))
        return *refused;
    const std::optional<LogSpan> span = m_service.Span();
    m_out << "kind: " << KindName(result.Kind) << '\n'
          << "fixes: " << m_service.FixCount() << '\n'
          << "first: " << (span ? FormatDayCount(span->First) : "-") << '\n'
          << "last: " << (span ? FormatDayCount(span->Last) : "-") << '\n';
    return Outcome::Done;
}

std::string CliRun::TargetOf(const std::string& input) const
{
    if (m_options.Output)
        return *m_options.Output;
    const std::string name = ConversionService::DefaultTarget(input, m_options.Format.Format);
    if (!m_options.OutputDir)
        return name;
    const std::filesystem::path file = NativePath(name).filename();
    const std::u8string joined = (NativePath(*m_options.OutputDir) / file).u8string();
    return {joined.begin(), joined.end()};
}

Outcome CliRun::Convert(const std::string& input)
{
    LoadResult loaded;
    if (const std::optional<Outcome> refused = Load(input, loaded))
        return *refused;
    ExportRequest request{m_options.Format, m_window,
                          m_options.GapMs ? *m_options.GapMs : kDefaultTripGapMs};
    if (!m_options.TripNumbers.empty()) {
        std::optional<std::vector<TimeWindow>> chosen = ChosenTrips(input);
        if (!chosen)
            return Outcome::NoSuchTrip;
        request.Chosen = std::move(*chosen);
    }
    if (m_options.Split)
        return ConvertSplit(input, request);
    const std::string target = TargetOf(input);
    const std::optional<ExportResult> result = Write(input, target, request);
    if (!result)
        return Outcome::Failed;
    if (result->FixesWritten == 0 && m_service.FixCount() > 0)
        Say(input, "warning: no fix lies in the time window; " + target + " is empty");
    Summarise(input, target, *result);
    return Outcome::Done;
}

Outcome CliRun::ConvertSplit(const std::string& input, const ExportRequest& request)
{
    const std::vector<ExportPiece> pieces = m_service.SplitPieces(*m_options.Split, request);
    if (pieces.empty() && m_service.FixCount() > 0)
        Say(input, "warning: no fix lies in the time window; no file written");
    const std::string stem = TargetOf(input);
    Outcome outcome = Outcome::Done;
    for (const ExportPiece& piece : pieces) {
        const std::string target = ConversionService::PieceTarget(stem, piece.Suffix);
        ExportRequest part = request;
        part.Window = piece.Window;
        const std::optional<ExportResult> result = Write(input, target, part);
        if (result)
            Summarise(input, target, *result);
        else
            outcome = Outcome::Failed;
    }
    return outcome;
}

std::optional<ExportResult> CliRun::Write(const std::string& input, const std::string& target,
                                          const ExportRequest& request)
{
    for (const auto& [written, from] : m_written) {
        if (written == target || SameFile(written, target)) {
            Say(target, "not written: the output of " + from + " in this run");
            return std::nullopt;
        }
    }
    m_out.flush();
    const ExportResult result = m_service.Export(target, request);
    if (!result.Ok()) {
        Say(target, WithFinalPoint(ExportErrorText(result, target)));
        return std::nullopt;
    }
    if (target != "-")
        m_written.emplace_back(target, input);
    return result;
}

void CliRun::Summarise(const std::string& input, const std::string& target,
                       const ExportResult& result)
{
    if (!m_options.Quiet)
        m_err << input << " -> " << target << " (" << result.FixesWritten << " of "
              << m_service.FixCount() << " fixes)\n";
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const CliParse parsed = ParseCliArguments(args);
    if (const auto* question = std::get_if<CliQuestion>(&parsed)) {
        if (*question == CliQuestion::Help)
            out << kCliUsageText << '\n' << kGeotagEnglish.Usage;
        else
            out << kProgram << ' ' << kVersion << '\n';
        return kCliOk;
    }
    if (const auto* usage = std::get_if<CliUsageError>(&parsed)) {
        err << kProgram << ": " << usage->Text << "\n"
            << "Try '" << kProgram << " --help' for more information.\n";
        return kCliUsage;
    }
    const CliOptions& options = std::get<CliOptions>(parsed);

    // The time window is checked before any file is read, so a bad date reads and writes nothing.
    CliRun run(options, out, err);
    if (options.Geotag.On)
        return run.Geotag();
    if (!options.Info && !options.Trips && !run.PrepareWindow())
        return kCliError;
    bool failed = false;
    bool ignored = false;
    bool noSuchTrip = false;
    for (const std::string& input : options.Inputs) {
        const Outcome outcome = run.RunInput(input);
        failed = failed || outcome == Outcome::Failed;
        ignored = ignored || outcome == Outcome::Ignored;
        noSuchTrip = noSuchTrip || outcome == Outcome::NoSuchTrip;
    }
    if (noSuchTrip)
        return kCliUsage;
    return failed ? kCliError : ignored ? kCliIgnored : kCliOk;
}
