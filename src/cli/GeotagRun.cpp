#include "cli/GeotagRun.h"

#include "cli/Cli.h"
#include "cli/GeotagText.h"
#include "messages/CliText.h"
#include "messages/ClockText.h"
#include "messages/ErrorText.h"
#include "messages/PhotoErrorText.h"
#include "photos/PhotoBackup.h"
#include "store/TimeBase.h"
#include "system/InterruptCleanup.h"
#include "system/Paths.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string_view>

namespace {

constexpr std::string_view kHeader =
    "photo\ttaken\tutc\tlatitude\tlongitude\theight_m\tresult\treason";
constexpr std::size_t kResultCount = static_cast<std::size_t>(GeotagResult::Error) + 1;

// The result column's words, in the order of GeotagResult: data, the same in every language.
constexpr std::array<std::string_view, kResultCount> kGeotagResultWords = {
    "tagged",          "would tag", "sidecar", "already tagged", "in a gap",
    "outside the log", "no time",   "empty",   "not supported",  "error",
};
// A dry run's word for a photo whose position would go to its sidecar.
constexpr std::string_view kWouldWriteSidecar = "would write sidecar";

std::string_view ResultWord(const PhotoOutcome& outcome)
{
    if (outcome.Result == GeotagResult::WouldTag && outcome.Way == PhotoWay::Sidecar)
        return kWouldWriteSidecar;
    return kGeotagResultWords[static_cast<std::size_t>(outcome.Result)];
}

// "YYYY-MM-DD hh:mm:ss.zzz".
std::string Moment(std::int64_t ms) { return FormatCalendarTime(MillisecondsToCalendar(ms), "-"); }

std::string Figure(double value, int decimals)
{
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(text, end) : std::string("-");
}

// The fields of a photo's line after its name; the reason of an error in the run's language.
std::string Fields(const PhotoOutcome& outcome, Language language)
{
    const std::optional<PhotoMoment>& moment = outcome.Moment;
    std::string row =
        moment ? Moment(moment->TakenMs) + FormatUtcOffsetText(moment->ZoneMinutes) : "-";
    row += '\t' + (moment ? Moment(moment->UtcMs) : "-");
    const std::optional<TrackPoint>& place = outcome.Place;
    row += '\t' + (place ? Figure(place->LatDeg, 7) : "-");
    row += '\t' + (place ? Figure(place->LonDeg, 7) : "-");
    row += '\t' + (place && place->HeightM ? Figure(*place->HeightM, 3) : "-");
    row += '\t';
    row += ResultWord(outcome);
    row += '\t';
    row += outcome.Result == GeotagResult::Error
               ? RecordText(PhotoErrorLine(outcome.Error, outcome.Errno, language))
               : "-";
    return row;
}

// What the interrupt handler says: the photos written so far, in the run's language.
std::atomic<const TaggingProgress*> g_progress{nullptr};
std::string_view g_interruptedBefore, g_interruptedAfter; // around the count

void WriteError(std::string_view text) { WriteInterruptNote(text.data(), text.size()); }

// Only async-signal-safe calls: the count's digits are made here.
void SayInterrupted()
{
    const TaggingProgress* progress = g_progress.load();
    if (progress == nullptr)
        return;
    char digits[16];
    char* end = digits + sizeof digits;
    char* at = end;
    for (int n = progress->Written.load(); at == end || n > 0; n /= 10)
        *--at = static_cast<char>('0' + n % 10);
    WriteError(kProgram);
    WriteError(": ");
    WriteError(g_interruptedBefore);
    WriteError({at, static_cast<std::size_t>(end - at)});
    WriteError(g_interruptedAfter);
    WriteError("\n");
}

} // namespace

namespace {

class GeotagRun
{
  public:
    GeotagRun(const CliOptions& options, const ConversionService& service, std::ostream& out,
              std::ostream& err, Language language)
        : m_options(options), m_service(service), m_out(out), m_err(err), m_language(language),
          m_texts(GeotagTextsIn(language))
    {
    }

    // The photos given and the photos of the folders given, in that order, each tagged on its
    // line, each once; a folder that cannot be read gets a line of its own where its photos
    // would be. Each line is written out when its photo is done.
    void Run(std::span<const std::string> inputs);
    void Summarise(const std::string& log) const;
    [[nodiscard]] bool Failed() const
    {
        return m_outputFailed || m_folderErrors > 0 || Count(GeotagResult::Error) > 0;
    }
    [[nodiscard]] bool OutputFailed() const { return m_outputFailed; }
    // The one line of a run its output stopped, once the photos begun are done.
    void SayStopped() const;

  private:
    [[nodiscard]] int Count(GeotagResult result) const
    {
        return m_counts[static_cast<std::size_t>(result)];
    }
    // Writes a line out; a broken output stops the run.
    void Line(const std::string& line);

    const CliOptions& m_options;
    const ConversionService& m_service;
    std::ostream& m_out;
    std::ostream& m_err;
    Language m_language;
    const GeotagTexts& m_texts;
    std::array<int, kResultCount> m_counts{};
    int m_folderErrors = 0;
    TaggingProgress m_progress;
    bool m_outputFailed = false;
    int m_outErrno = 0;
    std::optional<std::int32_t> m_summerZone; // of the first photo in summer time
};

void GeotagRun::Line(const std::string& line)
{
    if (m_outputFailed)
        return;
    errno = 0;
    m_out << line << '\n';
    m_out.flush();
    if (!m_out.fail())
        return;
    m_outErrno = errno != 0 ? errno : EIO;
    m_outputFailed = true;
    m_progress.Stop = true;
}

void GeotagRun::SayStopped() const
{
    const std::string reason = m_outErrno == EPIPE ? std::string(m_texts.OutputClosed)
                                                   : IoErrorText(m_outErrno, m_language);
    m_err << kProgram << ": " << kStandardOutput.In(m_language) << ": " << reason << ": "
          << Filled(m_texts.StoppedAfter, m_progress.Written.load()) << '\n';
}

void GeotagRun::Run(std::span<const std::string> inputs)
{
    Line(std::string(kHeader));
    std::vector<std::string> photos;
    std::vector<std::pair<std::size_t, std::string>> unread; // before which photo, the line
    DistinctPhotos distinct;
    for (const std::string& input : inputs) {
        std::error_code ec;
        std::vector<std::string> found;
        if (!std::filesystem::is_directory(NativePath(input), ec)) {
            found.push_back(input);
        } else if (const int error = PhotosInFolder(input, found)) {
            unread.emplace_back(photos.size(),
                                RecordText(input) + "\t-\t-\t-\t-\t-\t" +
                                    std::string(ResultWord({})) + '\t' +
                                    RecordText(std::string(m_texts.FolderUnread) + ": " +
                                               SystemReasonText(error, m_language)));
        }
        for (std::string& photo : found)
            if (distinct.Add(photo))
                photos.push_back(std::move(photo));
    }
    m_folderErrors = static_cast<int>(unread.size());
    auto line = unread.begin();
    const auto linesBefore = [&](std::size_t photo) {
        for (; line != unread.end() && line->first <= photo; ++line)
            Line(line->second);
    };
    GeotagSettings settings = m_options.Geotag.Settings;
    settings.SystemZone = m_service.UsesSystemZone() && !settings.CameraBiasMinutes;
    // The originals stay in the folder after the run: the user's to restore or remove.
    std::optional<PhotoBackup> backup;
    if (m_options.Geotag.BackupFolder)
        settings.Backup = &backup.emplace(*m_options.Geotag.BackupFolder);
    g_progress = &m_progress;
    m_service.TagPhotos(
        photos, settings,
        [&](std::size_t i, const PhotoOutcome& outcome) {
            linesBefore(i);
            ++m_counts[static_cast<std::size_t>(outcome.Result)];
            if (!m_summerZone)
                m_summerZone = outcome.SummerZoneMinutes;
            Line(RecordText(photos[i]) + '\t' + Fields(outcome, m_language));
        },
        &m_progress);
    g_progress = nullptr;
    if (!m_outputFailed)
        linesBefore(photos.size());
}

void GeotagRun::Summarise(const std::string& log) const
{
    int photos = 0;
    for (const int count : m_counts)
        photos += count;
    const int tagged = Count(GeotagResult::Tagged) + Count(GeotagResult::Sidecar);
    const int errors = Count(GeotagResult::Error) + m_folderErrors;
    const int leftOut =
        photos - tagged - Count(GeotagResult::WouldTag) - Count(GeotagResult::Error);
    std::string line =
        log + ": " + (photos == 1 ? std::string(m_texts.OnePhoto) : Filled(m_texts.Photos, photos));
    line += ": ";
    if (m_options.Geotag.Settings.DryRun) {
        line += Filled(m_texts.WouldTag, Count(GeotagResult::WouldTag));
    } else {
        line += Filled(m_texts.Tagged, tagged);
        if (Count(GeotagResult::Sidecar) > 0)
            line += Filled(m_texts.InSidecars, Count(GeotagResult::Sidecar));
    }
    line += ", " + Filled(m_texts.LeftOut, leftOut);
    if (errors > 0)
        line +=
            ", " + (errors == 1 ? std::string(m_texts.OneError) : Filled(m_texts.Errors, errors));
    if (m_summerZone)
        m_err << kProgram << ": " << log << ": "
              << Filled(Filled(m_texts.SummerTime, FormatUtcOffsetText(-m_service.Bias())),
                        FormatUtcOffsetText(*m_summerZone))
              << '\n';
    m_err << kProgram << ": " << line << '\n';
    if (m_options.Geotag.Settings.DryRun)
        m_err << kProgram << ": " << m_texts.DryRunNote << '\n';
}

} // namespace

int RunGeotag(const CliOptions& options, const ConversionService& service, std::ostream& out,
              std::ostream& err, Language language)
{
    const GeotagTexts& texts = GeotagTextsIn(language);
    const std::string& log = options.Inputs.front();
    if (service.Track().Empty()) {
        out << kHeader << '\n';
        err << kProgram << ": " << log << ": " << texts.NoFixes << '\n';
        return kCliError;
    }
    CliOptions placed = options;
    if (options.Geotag.OffsetFrom) {
        // The clock error of the placed photo, or nothing tagged when it gives none.
        const std::string& photo = *options.Geotag.OffsetFrom;
        const ClockFromPlace clock =
            service.ClockFromPhoto(ReadPhotoInfo(photo), options.Geotag.Settings);
        err << kProgram << ": " << ClockFromPlaceText(clock, photo, language) << '\n';
        if (clock.Status != ClockFromPlaceStatus::Found)
            return kCliError;
        placed.Geotag.Settings.CameraOffsetMs = clock.OffsetMs;
    }
    // A closed output is a failed write, which stops the run cleanly, not the end of the process.
    FailWritesToClosedPipes();
    const std::size_t split = texts.Interrupted.find("%d");
    g_interruptedBefore = texts.Interrupted.substr(0, split);
    g_interruptedAfter = texts.Interrupted.substr(split + 2);
    SetInterruptNote(SayInterrupted);
    GeotagRun run(placed, service, out, err, language);
    run.Run(std::span(placed.Inputs).subspan(1));
    SetInterruptNote(nullptr);
    if (run.OutputFailed())
        run.SayStopped();
    else if (!placed.Quiet)
        run.Summarise(log);
    return run.Failed() ? kCliError : kCliOk;
}
