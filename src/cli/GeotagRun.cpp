#include "cli/GeotagRun.h"

#include "cli/Cli.h"
#include "cli/GeotagText.h"
#include "messages/ClockText.h"
#include "store/TimeBase.h"
#include "system/Paths.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string_view>

namespace {

constexpr const char* kProgram = "tallo2nmea-cli";
constexpr std::string_view kHeader = "photo\ttaken\tutc\tlatitude\tlongitude\theight_m\tresult";
constexpr std::size_t kResultCount = static_cast<std::size_t>(GeotagResult::Error) + 1;

// The result column's words, in the order of GeotagResult: data, the same in every language.
constexpr std::array<std::string_view, kResultCount> kGeotagResultWords = {
    "tagged",          "would tag", "sidecar",       "already tagged", "in a gap",
    "outside the log", "no time",   "not supported", "error",
};

std::string_view ResultWord(GeotagResult result)
{
    return kGeotagResultWords[static_cast<std::size_t>(result)];
}

// "YYYY-MM-DD hh:mm:ss.zzz".
std::string Moment(std::int64_t ms)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return text;
}

// "+HH:MM" east of UTC.
std::string Zone(std::int32_t eastMinutes)
{
    const std::int32_t magnitude = eastMinutes < 0 ? -eastMinutes : eastMinutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", eastMinutes < 0 ? '-' : '+',
                  magnitude / 60 % 100, magnitude % 60);
    return text;
}

std::string Figure(double value, int decimals)
{
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(text, end) : std::string("-");
}

// A path as one field: a tab or a line break in a name would split the line.
std::string Field(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r')
            c = '?';
    return text;
}

std::string ErrorReason(const PhotoOutcome& outcome, const GeotagTexts& texts)
{
    const auto withReason = [&](std::string_view what) {
        return std::string(what) + ": " + SystemReason(texts, outcome.Errno);
    };
    switch (outcome.Error) {
    case PhotoError::Read:
        return withReason(texts.CannotRead);
    case PhotoError::NotAFile:
        return std::string(texts.NotAFile);
    case PhotoError::Metadata:
        return std::string(texts.BadMetadata);
    case PhotoError::Sidecar:
        return outcome.Errno != 0 ? withReason(texts.BadSidecar) : std::string(texts.BadSidecar);
    case PhotoError::Build:
        return std::string(texts.CannotBuild);
    case PhotoError::Write:
        return withReason(texts.CannotWrite);
    case PhotoError::Verify:
    case PhotoError::None:
        break;
    }
    return std::string(texts.NotAsWritten);
}

std::string Row(const std::string& photo, const PhotoOutcome& outcome, const GeotagTexts& texts)
{
    std::string row = Field(photo);
    const std::optional<PhotoMoment>& moment = outcome.Moment;
    row += '\t' + (moment ? Moment(moment->TakenMs) + Zone(moment->ZoneMinutes) : "-");
    row += '\t' + (moment ? Moment(moment->UtcMs) : "-");
    const std::optional<TrackPoint>& place = outcome.Place;
    row += '\t' + (place ? Figure(place->LatDeg, 7) : "-");
    row += '\t' + (place ? Figure(place->LonDeg, 7) : "-");
    row += '\t' + (place && place->HeightM ? Figure(*place->HeightM, 3) : "-");
    row += '\t';
    row += ResultWord(outcome.Result);
    if (outcome.Result == GeotagResult::Error)
        row += ": " + ErrorReason(outcome, texts);
    return row;
}

} // namespace

namespace {

class GeotagRun
{
  public:
    GeotagRun(const CliOptions& options, const ConversionService& service, std::ostream& out,
              std::ostream& err, Language language)
        : m_options(options), m_service(service), m_out(out), m_err(err),
          m_summaryTexts(GeotagTextsIn(language))
    {
    }

    // The photos given and the photos of the folders given, in that order, each tagged on its
    // line; a folder that cannot be read gets a line of its own where its photos would be.
    void Run(std::span<const std::string> inputs)
    {
        m_out << kHeader << '\n';
        std::vector<std::string> photos;
        std::vector<std::pair<std::size_t, std::string>> unread; // before which photo, the line
        for (const std::string& input : inputs) {
            std::error_code ec;
            if (!std::filesystem::is_directory(NativePath(input), ec)) {
                photos.push_back(input);
            } else if (const int error = PhotosInFolder(input, photos)) {
                unread.emplace_back(photos.size(),
                                    Field(input) + "\t-\t-\t-\t-\t-\t" +
                                        std::string(ResultWord(GeotagResult::Error)) + ": " +
                                        std::string(m_texts.FolderUnread) + ": " +
                                        SystemReason(m_texts, error));
            }
        }
        m_folderErrors = static_cast<int>(unread.size());
        auto line = unread.begin();
        const auto linesBefore = [&](std::size_t photo) {
            for (; line != unread.end() && line->first <= photo; ++line)
                m_out << line->second << '\n';
        };
        m_service.TagPhotos(photos, m_options.Geotag.Settings,
                            [&](std::size_t i, const PhotoOutcome& outcome) {
                                linesBefore(i);
                                ++m_counts[static_cast<std::size_t>(outcome.Result)];
                                m_out << Row(photos[i], outcome, m_texts) << '\n';
                            });
        linesBefore(photos.size());
    }
    void Summarise(const std::string& log) const;
    [[nodiscard]] bool Failed() const
    {
        return m_folderErrors > 0 || Count(GeotagResult::Error) > 0;
    }

  private:
    [[nodiscard]] int Count(GeotagResult result) const
    {
        return m_counts[static_cast<std::size_t>(result)];
    }

    const CliOptions& m_options;
    const ConversionService& m_service;
    std::ostream& m_out;
    std::ostream& m_err;
    // The table's reasons are data, in English; the summary is the run's language.
    const GeotagTexts& m_texts = kGeotagEnglish;
    const GeotagTexts& m_summaryTexts;
    std::array<int, kResultCount> m_counts{};
    int m_folderErrors = 0;
};

void GeotagRun::Summarise(const std::string& log) const
{
    int photos = 0;
    for (const int count : m_counts)
        photos += count;
    const int tagged = Count(GeotagResult::Tagged) + Count(GeotagResult::Sidecar);
    const int errors = Count(GeotagResult::Error) + m_folderErrors;
    const int leftOut =
        photos - tagged - Count(GeotagResult::WouldTag) - Count(GeotagResult::Error);
    std::string line = log + ": " +
                       (photos == 1 ? std::string(m_summaryTexts.OnePhoto)
                                    : Filled(m_summaryTexts.Photos, photos));
    line += ": ";
    if (m_options.Geotag.Settings.DryRun) {
        line += Filled(m_summaryTexts.WouldTag, Count(GeotagResult::WouldTag));
    } else {
        line += Filled(m_summaryTexts.Tagged, tagged);
        if (Count(GeotagResult::Sidecar) > 0)
            line += Filled(m_summaryTexts.InSidecars, Count(GeotagResult::Sidecar));
    }
    line += ", " + Filled(m_summaryTexts.LeftOut, leftOut);
    if (errors > 0)
        line += ", " + (errors == 1 ? std::string(m_summaryTexts.OneError)
                                    : Filled(m_summaryTexts.Errors, errors));
    m_err << kProgram << ": " << line << '\n';
    if (m_options.Geotag.Settings.DryRun)
        m_err << kProgram << ": " << m_summaryTexts.DryRunNote << '\n';
}

} // namespace

int RunGeotag(const CliOptions& options, const ConversionService& service, std::ostream& out,
              std::ostream& err, Language language)
{
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
    GeotagRun run(placed, service, out, err, language);
    run.Run(std::span(placed.Inputs).subspan(1));
    if (!placed.Quiet)
        run.Summarise(placed.Inputs.front());
    return run.Failed() ? kCliError : kCliOk;
}
