#include "cli/Cli.h"

#include "cli/GeotagRun.h"
#include "cli/GeotagText.h"
#include "cli/Options.h"
#include "convert/ConversionService.h"
#include "convert/OutputNames.h"
#include "convert/TripText.h"
#include "messages/CliText.h"
#include "messages/ErrorText.h"
#include "messages/NoteText.h"
#include "store/TimeBase.h"
#include "store/Version.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace {

// How one input ended; the run's status ranks them.
enum class Outcome {
    Done,
    Failed,
    Ignored,
    NoSuchTrip, // a --trip number beyond the log's trips: a usage error found after loading
};

const char* KindName(LogKind kind) { return kind == LogKind::Sector ? "sector" : "block"; }

class CliRun
{
  public:
    CliRun(const CliOptions& options, std::ostream& out, std::ostream& err, Language language)
        : m_options(options), m_out(out), m_err(err), m_language(language), m_service(options.Bias)
    {
        // No output of the run replaces one of its inputs.
        m_service.ProtectInputs(options.Inputs);
    }

    // The window of --from and --to; nothing (after a message) for an impossible date.
    bool PrepareWindow();
    // The archive of --archive, else the default one; nothing (after a message) when the system
    // names no data folder. The run then reads it in place of its inputs.
    std::optional<std::string> UseArchive();
    // --import: adds each input to the archive and prints its record.
    int Import(const std::string& archivePath);
    Outcome RunInput(const std::string& input);
    // Flushes standard output; false (after a message) when anything written to it was lost.
    bool FinishOutput();
    // --geotag: loads the log, the first input, and places the photos that follow on it.
    int Geotag()
    {
        LoadResult loaded;
        if (const std::optional<Outcome> refused = Load(m_options.Inputs.front(), loaded))
            return *refused == Outcome::Failed ? kCliError : kCliIgnored;
        const int status = RunGeotag(m_options, m_service, m_out, m_err, m_language);
        // A run stopped by its output has said so.
        return m_out.fail() || FinishOutput() ? status : kCliError;
    }

  private:
    // Loads the input (the archive, when the run reads one); nothing when it failed or was
    // ignored (after saying why).
    std::optional<Outcome> Load(const std::string& input, LoadResult& result);
    // Says why a log was not read; nothing when it was.
    std::optional<Outcome> Refused(const std::string& input, const LoadResult& result);
    // The archive's fixes the run needs: those of --from and --to for a conversion of them.
    std::optional<Outcome> LoadArchive(const std::string& archive, LoadResult& result);
    // The import's record of one log; false when the archive failed.
    bool PrintImport(const std::string& input, const ImportReport& report);
    Outcome PrintDays(const std::string& archive);
    // A UTC moment as --info shows times.
    [[nodiscard]] std::string ShownUtc(std::int64_t utcMs) const;
    // What the loaded log's reader should know: a name that fits another kind, dates that look
    // 1024 weeks early, times in standard time while the system keeps summer time.
    void SayNotes(const std::string& input, const LoadResult& result);
    // The "file:" line of an --info or --trips record and the load; after a failed or ignored
    // load also its "kind:" line, and the outcome.
    std::optional<Outcome> StartRecord(const std::string& input, LoadResult& result);
    Outcome PrintInfo(const std::string& input);
    Outcome PrintTrips(const std::string& input);
    Outcome Convert(const std::string& input);
    // The windows of the chosen trips; nothing (after a message) when a number is beyond them.
    std::optional<std::vector<TimeWindow>> ChosenTrips(const std::string& input);
    // The loaded log's trips with the --gap given.
    [[nodiscard]] const TripAnalysis& Analysis() const
    {
        return m_service.Trips(m_options.GapMs.value_or(kDefaultTripGapMs));
    }
    Outcome ConvertSplit(const std::string& input, const ExportRequest& request);
    // False (after saying why) when the target is an output this run has written.
    bool MayWrite(const std::string& target);
    // Writes one output; nothing (after saying why) when it may not or could not be written.
    std::optional<ExportResult> Write(const std::string& target, const ExportRequest& request);
    void Summarise(const std::string& input, const std::string& target, const ExportResult& result);
    [[nodiscard]] std::string TargetOf(const std::string& input) const;
    // Times of --info and --trips: local standard time, or UTC with --utc.
    [[nodiscard]] std::int64_t ShownShiftMs() const
    {
        return m_options.Format.Utc ? std::int64_t{m_service.Bias()} * kMsPerMinute : 0;
    }
    void Say(const std::string& subject, const std::string& message)
    {
        m_err << kProgram << ": " << subject << ": " << message << '\n';
    }
    void Say(const std::string& subject, const Bilingual& text,
             std::initializer_list<std::string_view> args = {})
    {
        Say(subject, Fill(text.In(m_language), args));
    }
    // What a message about an output names: the file, or standard output for "-o -".
    [[nodiscard]] std::string OutputName(const std::string& target) const
    {
        return target == "-" ? std::string(kStandardOutput.In(m_language)) : target;
    }
    void Warn(const std::string& subject, const std::string& message)
    {
        Say(subject, kWarning, {message});
    }
    // Notes the first failure of a write to standard output.
    void WatchOutput()
    {
        if (m_outErrno == 0 && m_out.fail())
            m_outErrno = errno != 0 ? errno : EIO;
    }

    const CliOptions& m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    Language m_language;
    ConversionService m_service;
    TimeWindow m_window;
    bool m_saidSummerTime = false;
    int m_outErrno = 0;
    bool m_fromArchive = false;
};

} // namespace

std::string RecordText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        static constexpr char kShort[] = {'\n', 'n', '\t', 't', '\r', 'r'};
        const char* known = std::find(kShort, kShort + 6, c);
        if (known != kShort + 6 && (known - kShort) % 2 == 0) {
            out += '\\';
            out += known[1];
            continue;
        }
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

namespace {

bool CliRun::PrepareWindow()
{
    for (const auto& [text, bound] :
         {std::pair{&m_options.From, &m_window.Start}, std::pair{&m_options.To, &m_window.End}}) {
        if (!*text)
            continue;
        *bound = MomentOfFields((*text)->Fields);
        if (!*bound) {
            Say((*text)->Text, WithFinalPoint(DateConversionErrorText(m_language)));
            return false;
        }
    }
    return true;
}

std::optional<std::string> CliRun::UseArchive()
{
    m_fromArchive = true;
    std::string path = m_options.Archive.value_or(DefaultArchivePath());
    if (path.empty()) {
        m_err << kProgram << ": " << kNoDataFolder.In(m_language) << '\n';
        return std::nullopt;
    }
    return path;
}

int CliRun::Import(const std::string& archivePath)
{
    Archive archive;
    if (const ArchiveStatus opened = archive.Open(archivePath, Archive::Mode::Write);
        !opened.Ok()) {
        Say(archivePath, WithFinalPoint(ArchiveErrorText(opened, m_language)));
        return kCliError;
    }
    bool failed = false;
    bool ignored = false;
    for (const std::string& input : m_options.Inputs) {
        m_out << "file: " << RecordText(input) << '\n';
        const ImportReport report = archive.Import(input, m_options.AddedWeeks,
                                                   m_options.GapMs.value_or(kDefaultTripGapMs));
        if (!report.Status.Ok()) {
            m_out << "kind: error\n";
            Say(archivePath, WithFinalPoint(ArchiveErrorText(report.Status, m_language)));
            failed = true;
            break;
        }
        const std::optional<Outcome> refused =
            report.KnownCopy ? std::nullopt : Refused(input, report.Load);
        if (refused) {
            m_out << "kind: " << (*refused == Outcome::Failed ? "error" : "ignored") << '\n';
            failed = failed || *refused == Outcome::Failed;
            ignored = ignored || *refused == Outcome::Ignored;
            continue;
        }
        PrintImport(input, report);
    }
    failed = !FinishOutput() || failed;
    return failed ? kCliError : ignored ? kCliIgnored : kCliOk;
}

std::string CliRun::ShownUtc(std::int64_t utcMs) const
{
    const std::int64_t local = utcMs + kUnixEpochMs - std::int64_t{m_service.Bias()} * kMsPerMinute;
    return FormatCalendarTime(MillisecondsToCalendar(local + ShownShiftMs()));
}

bool CliRun::PrintImport(const std::string& input, const ImportReport& report)
{
    m_out << "new: " << report.New << '\n'
          << "known: " << report.Known << '\n'
          << "conflicts: " << report.Conflicts << '\n'
          << "uncovered: ";
    if (report.UncoveredFromUtcMs) {
        const std::string from = ShownUtc(*report.UncoveredFromUtcMs);
        const std::string to = ShownUtc(report.UncoveredToUtcMs.value_or(0));
        m_out << from << " - " << to << '\n';
        Warn(input, Fill(kArchiveUncovered.In(m_language), {from, to}));
    } else {
        m_out << "-\n";
    }
    if (report.Conflicts > 0)
        Warn(input, Fill(kArchiveConflicts.In(m_language), {std::to_string(report.Conflicts)}));
    WatchOutput();
    return true;
}

Outcome CliRun::PrintDays(const std::string& archive)
{
    LoadResult result;
    if (const std::optional<Outcome> refused = Load(archive, result))
        return *refused;
    // The days of a split by day, so that both agree.
    const std::int64_t shift = ShownShiftMs();
    for (const ExportPiece& day :
         m_service.SplitPieces(SplitMode::Day, ExportRequest{m_options.Format}, "")) {
        const CalendarTime date = MillisecondsToCalendar(*day.Window.Start + shift);
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
        m_out << text << '\t' << day.End - day.Begin << '\n';
    }
    WatchOutput();
    return Outcome::Done;
}

Outcome CliRun::RunInput(const std::string& input)
{
    if (m_options.Days)
        return PrintDays(input);
    if (m_options.Info)
        return PrintInfo(input);
    return m_options.Trips ? PrintTrips(input) : Convert(input);
}

bool CliRun::FinishOutput()
{
    errno = 0;
    m_out.flush();
    WatchOutput();
    if (m_outErrno == 0)
        return true;
    Say(std::string(kStandardOutput.In(m_language)),
        WithFinalPoint(IoErrorText(m_outErrno, m_language)));
    return false;
}

Outcome CliRun::PrintTrips(const std::string& input)
{
    LoadResult result;
    if (const std::optional<Outcome> refused = StartRecord(input, result))
        return *refused;
    const TripAnalysis& analysis = Analysis();
    const std::vector<MovingFigures> moving =
        m_service.TripMoving(m_options.GapMs.value_or(kDefaultTripGapMs));
    m_out << kTripListHeader << '\n';
    for (std::size_t i = 0; i < analysis.Trips.size(); ++i)
        m_out << FormatTripRow(i + 1, analysis.Trips[i], moving[i], ShownShiftMs()) << '\n';
    WatchOutput();
    return Outcome::Done;
}

std::optional<std::vector<TimeWindow>> CliRun::ChosenTrips(const std::string& input)
{
    const TripAnalysis& analysis = Analysis();
    std::vector<TimeWindow> windows;
    for (const std::int32_t number : m_options.TripNumbers) {
        if (static_cast<std::size_t>(number) > analysis.Trips.size()) {
            const std::size_t count = analysis.Trips.size();
            Say(input, kUsageNoSuchTrip,
                {std::to_string(number), std::to_string(count), count == 1 ? "" : "s"});
            return std::nullopt;
        }
        windows.push_back(TripWindow(analysis.Trips[static_cast<std::size_t>(number) - 1]));
    }
    return windows;
}

std::optional<Outcome> CliRun::LoadArchive(const std::string& archive, LoadResult& result)
{
    // A listing and a choice of trips need every fix; a conversion those of its window.
    const bool whole =
        m_options.Info || m_options.Trips || m_options.Days || !m_options.TripNumbers.empty();
    const ArchiveStatus status = m_service.LoadArchive(archive, whole ? TimeWindow{} : m_window);
    if (!status.Ok()) {
        Say(archive, WithFinalPoint(ArchiveErrorText(status, m_language)));
        return Outcome::Failed;
    }
    result = m_service.LastLoad();
    SayNotes(archive, result);
    return std::nullopt;
}

std::optional<Outcome> CliRun::Load(const std::string& input, LoadResult& result)
{
    if (m_fromArchive)
        return LoadArchive(input, result);
    result = m_service.Load(input, {m_options.AddedWeeks});
    if (const std::optional<Outcome> refused = Refused(input, result))
        return refused;
    SayNotes(input, result);
    return std::nullopt;
}

std::optional<Outcome> CliRun::Refused(const std::string& input, const LoadResult& result)
{
    if (result.Failed()) {
        Say(input, WithFinalPoint(IoErrorText(result.IoErrno, m_language)));
        return Outcome::Failed;
    }
    if (result.Kind == LogKind::None) {
        Say(input, kIgnored,
            {IgnoreReasonText(result.Ignored, result.Named, m_language) +
             NextSizeText(result.Ignored, result.Named, result.FileBytes, m_language) +
             PadHintText(result, m_language)});
        return Outcome::Ignored;
    }
    return std::nullopt;
}

void CliRun::SayNotes(const std::string& input, const LoadResult& result)
{
    if (result.Resembles != LogKind::None)
        Warn(input, LooksLikeText(result.Resembles, m_language));
    if (result.LikelyWeekRollover)
        Warn(input, std::string(kWeekRolloverHint.In(m_language)));
    // Said once a run, and only when the zone is the system's own.
    if (!m_saidSummerTime && m_service.FixesInSummerTime()) {
        m_saidSummerTime = true;
        Say(input, kNote, {StandardTimeNote(m_service.Bias(), m_language)});
    }
}

std::optional<Outcome> CliRun::StartRecord(const std::string& input, LoadResult& result)
{
    m_out << "file: " << RecordText(input) << '\n';
    WatchOutput();
    const std::optional<Outcome> refused = Load(input, result);
    if (refused) {
        m_out << "kind: " << (*refused == Outcome::Failed ? "error" : "ignored") << '\n';
        WatchOutput();
    }
    return refused;
}

Outcome CliRun::PrintInfo(const std::string& input)
{
    LoadResult result;
    if (const std::optional<Outcome> refused = StartRecord(input, result))
        return *refused;
    const std::optional<LogSpan> span = m_service.Span();
    const auto shown = [&](double dayCount) {
        return FormatCalendarTime(
            MillisecondsToCalendar(PrintedMilliseconds(dayCount) + ShownShiftMs()));
    };
    if (const std::optional<ArchiveSummary>& archive = m_service.LoadedArchive()) {
        const std::size_t days =
            m_service.SplitPieces(SplitMode::Day, ExportRequest{m_options.Format}, "").size();
        m_out << "kind: archive\n"
              << "copies: " << archive->Copies << '\n'
              << "days: " << days << '\n';
    } else {
        m_out << "kind: " << KindName(result.Kind) << '\n';
    }
    if (result.Layout != LogLayout::Plain)
        m_out << "layout: " << (result.Layout == LogLayout::Sister ? "sister" : "mixed") << '\n';
    m_out << "fixes: " << m_service.FixCount() << '\n'
          << "first: " << (span ? shown(span->First) : "-") << '\n'
          << "last: " << (span ? shown(span->Last) : "-") << '\n';
    WatchOutput();
    return Outcome::Done;
}

std::string CliRun::TargetOf(const std::string& input) const
{
    if (m_options.Output)
        return *m_options.Output;
    std::string name = DefaultTarget(input, m_options.Format.Format);
    if (!m_options.OutputDir)
        return name;
    const std::filesystem::path file = NativePath(name).filename();
    return Utf8Path(NativePath(*m_options.OutputDir) / file);
}

Outcome CliRun::Convert(const std::string& input)
{
    LoadResult loaded;
    if (const std::optional<Outcome> refused = Load(input, loaded))
        return *refused;
    ExportRequest request{m_options.Format, m_window, m_options.GapMs.value_or(kDefaultTripGapMs)};
    if (!m_options.TripNumbers.empty()) {
        std::optional<std::vector<TimeWindow>> chosen = ChosenTrips(input);
        if (!chosen)
            return Outcome::NoSuchTrip;
        request.Chosen = std::move(*chosen);
    }
    if (m_options.Split)
        return ConvertSplit(input, request);
    const std::string target = TargetOf(input);
    const std::optional<ExportResult> result = Write(target, request);
    if (!result)
        return Outcome::Failed;
    // A log without fixes says so in its summary: 0 of 0 fixes.
    if (result->FixesWritten == 0 && m_service.FixCount() > 0)
        Warn(input, Fill((m_options.Format.Format != TrackFormat::Nmea ? kNoFixInWindowGpx
                                                                       : kNoFixInWindow)
                             .In(m_language),
                         {target}));
    Summarise(input, target, *result);
    return Outcome::Done;
}

Outcome CliRun::ConvertSplit(const std::string& input, const ExportRequest& request)
{
    std::vector<ExportPiece> pieces =
        m_service.SplitPieces(*m_options.Split, request, TargetOf(input));
    if (m_service.FixCount() == 0)
        Warn(input, std::string(kNoFixInLogSplit.In(m_language)));
    else if (pieces.empty())
        Warn(input, std::string(kNoFixInWindowSplit.In(m_language)));
    // Every piece is checked against the outputs of the earlier logs before any is written.
    for (ExportPiece& piece : pieces)
        piece.Write = MayWrite(piece.Target);
    m_out.flush();
    const std::vector<std::optional<ExportResult>> results =
        m_service.ExportPieces(pieces, request);
    Outcome outcome = Outcome::Done;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string& target = pieces[i].Target;
        if (!results[i] || !results[i]->Ok()) {
            if (results[i])
                Say(OutputName(target),
                    WithFinalPoint(ExportErrorText(*results[i], target, m_language)));
            outcome = Outcome::Failed;
            continue;
        }
        Summarise(input, target, *results[i]);
    }
    return outcome;
}

bool CliRun::MayWrite(const std::string& target)
{
    const ExportResult check = m_service.CheckTarget(target);
    if (check.Status != ExportStatus::WrittenEarlier)
        return true;
    Say(target, ExportErrorText(check, target, m_language));
    return false;
}

std::optional<ExportResult> CliRun::Write(const std::string& target, const ExportRequest& request)
{
    if (!MayWrite(target))
        return std::nullopt;
    m_out.flush();
    const ExportResult result = m_service.Export(target, request);
    if (!result.Ok()) {
        Say(OutputName(target), WithFinalPoint(ExportErrorText(result, target, m_language)));
        return std::nullopt;
    }
    return result;
}

void CliRun::Summarise(const std::string& input, const std::string& target,
                       const ExportResult& result)
{
    if (!m_options.Quiet)
        m_err << Fill(kSummary.In(m_language), {input, target, std::to_string(result.FixesWritten),
                                                std::to_string(m_service.FixCount())})
              << '\n';
}

} // namespace

Language LanguageFromLocaleVariables(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* value : {lcAll, lcMessages, lang})
        if (value != nullptr && *value != '\0')
            return LanguageOfLocale(value);
    return Language::English;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           Language language)
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
        err << kProgram << ": " << usage->In(language) << "\n"
            << Fill(kUsageTryHelp.In(language), {kProgram}) << '\n';
        return kCliUsage;
    }
    const CliOptions& options = std::get<CliOptions>(parsed);

    // The time window is checked before any file is read, so a bad date reads and writes nothing.
    CliRun run(options, out, err, language);
    if (options.Geotag.On)
        return run.Geotag();
    std::vector<std::string> inputs = options.Inputs;
    if (options.Import || options.Archive || options.Days) {
        const std::optional<std::string> archive = run.UseArchive();
        if (!archive)
            return kCliError;
        if (options.Import)
            return run.Import(*archive);
        inputs = {*archive};
    }
    if (!options.Info && !options.Trips && !run.PrepareWindow())
        return kCliError;
    bool failed = false;
    bool ignored = false;
    bool noSuchTrip = false;
    for (const std::string& input : inputs) {
        const Outcome outcome = run.RunInput(input);
        failed = failed || outcome == Outcome::Failed;
        ignored = ignored || outcome == Outcome::Ignored;
        noSuchTrip = noSuchTrip || outcome == Outcome::NoSuchTrip;
    }
    failed = !run.FinishOutput() || failed;
    if (noSuchTrip)
        return kCliUsage;
    return failed ? kCliError : ignored ? kCliIgnored : kCliOk;
}
