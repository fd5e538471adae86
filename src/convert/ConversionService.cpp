#include "convert/ConversionService.h"

#include "export/GpxExport.h"
#include "store/Digits.h"
#include "store/PathText.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::int64_t kMsPerMinute = 60000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

// "-YYYYMMDD", then "-hhmmss" with the time, of whole milliseconds.
std::string PieceSuffix(std::int64_t ms, bool withTime)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char text[48];
    char* p = text;
    *p++ = '-';
    if (t.Year >= 0 && t.Year <= 9999)
        p = PutTwoDigits(PutTwoDigits(p, t.Year / 100), t.Year % 100);
    else
        p = std::to_chars(p, p + 24, t.Year).ptr;
    p = PutTwoDigits(PutTwoDigits(p, t.Month), t.Day);
    if (withTime) {
        *p++ = '-';
        p = PutTwoDigits(PutTwoDigits(PutTwoDigits(p, t.Hour), t.Minute), t.Second);
    }
    return {text, p};
}

// True when the window may hold a fix of the trip.
bool Meets(const TimeWindow& window, const Trip& trip)
{
    return (!window.Start || trip.LastMs >= *window.Start) &&
           (!window.End || trip.FirstMs < *window.End);
}

} // namespace

ConversionService::ConversionService(std::int32_t biasMinutes)
    : m_bias(biasMinutes), m_localEpoch(LocalEpochFromBias(biasMinutes))
{
}

void ConversionService::SetBias(std::int32_t biasMinutes)
{
    m_bias = biasMinutes;
    m_localEpoch = LocalEpochFromBias(biasMinutes);
}

LoadResult ConversionService::Load(const std::string& path)
{
    const LoggerClock clock(m_localEpoch, m_addedWeeks * kSecondsPerWeek);
    const LoadResult result = LoadLogFile(path, clock, m_table);
    if (result.Kind != LogKind::None) {
        m_loadedPath = path;
        m_lastLoad = result;
        m_trips.reset();
        m_loadedBias = m_bias;
        m_track.reset();
    }
    return result;
}

std::optional<LogSpan> ConversionService::Span() const
{
    const std::span<const TGpsFix> fixes = m_table.Fixes();
    if (fixes.empty())
        return std::nullopt;
    const auto [earliest, latest] =
        std::minmax_element(fixes.begin(), fixes.end(),
                            [](const TGpsFix& a, const TGpsFix& b) { return a.Time < b.Time; });
    return LogSpan{fixes.front().Time, fixes.back().Time, earliest->Time, latest->Time};
}

const TripAnalysis& ConversionService::Trips() const
{
    if (!m_trips)
        m_trips = AnalyseTrips(m_table.Fixes());
    return *m_trips;
}

TripAnalysis ConversionService::TripsWithGap(std::int64_t gapMs) const
{
    return AnalyseTrips(m_table.Fixes(), gapMs);
}

std::optional<std::int64_t> ConversionService::MomentOf(const CalendarTime& fields)
{
    if (!EncodeDate(fields.Year, fields.Month, fields.Day))
        return std::nullopt;
    CalendarTime whole = fields;
    whole.Millisecond = 0;
    return CalendarToMilliseconds(whole);
}

std::string ConversionService::DefaultTarget(std::string_view path, TrackFormat format)
{
    return TargetPathFor(path, format);
}

TimeWindow ConversionService::TripsWindow(const Trip& first, const Trip& last)
{
    return {first.FirstMs, last.LastMs + 1};
}

std::string ConversionService::PieceTarget(std::string_view target, std::string_view suffix)
{
    const std::size_t dot = ExtensionStart(target);
    std::string name(target.substr(0, dot));
    return name.append(suffix).append(target.substr(dot));
}

bool ConversionService::IsLoadedLog(const std::string& path) const
{
    return !m_loadedPath.empty() && SameFile(path, m_loadedPath);
}

ExportResult ConversionService::Export(const std::string& target,
                                       const ExportRequest& request) const
{
    if (IsLoadedLog(target)) {
        ExportResult refused;
        refused.Status = ExportStatus::SameAsLog;
        return refused;
    }
    const RecordStyle style{m_bias, request.Format.Utc, request.Format.Gga};
    const FixFilter selected = [&request](const TGpsFix& fix) { return request.Selects(fix); };
    if (request.Format.Format == TrackFormat::Nmea) {
        // Chosen trips may lie anywhere in the window: the whole table is looked at.
        const RecordPart range = request.Chosen.empty() ? TableRange(request.Window)
                                                        : RecordPart{0, m_table.Fixes().size()};
        return WriteTrack(target, NmeaLayout(style), style, {m_table.Fixes(), {}, {&range, 1}},
                          selected, request.Threads);
    }
    std::optional<TripAnalysis> own;
    const TripAnalysis& trips = TripsFor(request.TripGapMs, own);
    std::vector<RecordPart> parts;
    for (const Trip& trip : trips.Trips)
        if (Meets(request.Window, trip))
            parts.push_back({trip.Begin, trip.End});
    return WriteTrack(target, GpxLayout(), style, {m_table.Fixes(), trips.Order, parts}, selected,
                      request.Threads);
}

std::vector<ExportPiece> ConversionService::SplitPieces(SplitMode mode,
                                                        const ExportRequest& request) const
{
    return mode == SplitMode::Trip ? TripPieces(request) : DayPieces(request);
}

const TripAnalysis& ConversionService::TripsFor(std::int64_t gapMs,
                                                std::optional<TripAnalysis>& own) const
{
    // The loaded log's own analysis when it is already there; a file needs only the bounds.
    if (gapMs == kDefaultTripGapMs && m_trips)
        return *m_trips;
    return own.emplace(AnalyseTrips(m_table.Fixes(), gapMs, TripFigures::BoundsOnly));
}

RecordPart ConversionService::TableRange(const TimeWindow& window) const
{
    const std::span<const TGpsFix> fixes = m_table.Fixes();
    RecordPart range{0, fixes.size()};
    if (!window.Start && !window.End)
        return range;
    std::optional<TripAnalysis> own;
    if (!TripsFor(kDefaultTripGapMs, own).Order.empty())
        return range;
    // A table in time order holds the fixes of a window in one run of entries.
    const auto before = [](const TGpsFix& fix, std::int64_t ms) {
        return DayCountToMilliseconds(fix.Time) < ms;
    };
    const auto at = [&](std::int64_t ms) {
        return static_cast<std::size_t>(std::lower_bound(fixes.begin(), fixes.end(), ms, before) -
                                        fixes.begin());
    };
    if (window.Start)
        range.Begin = at(*window.Start);
    if (window.End)
        range.End = std::max(range.Begin, at(*window.End));
    return range;
}

std::vector<ExportPiece> ConversionService::TripPieces(const ExportRequest& request) const
{
    std::optional<TripAnalysis> own;
    const TripAnalysis& trips = TripsFor(request.TripGapMs, own);
    const std::int64_t shift = request.Format.Utc ? m_bias * kMsPerMinute : 0;
    std::vector<ExportPiece> pieces;
    for (const Trip& trip : trips.Trips) {
        if (!Meets(request.Window, trip))
            continue;
        for (std::size_t position = trip.Begin; position < trip.End; ++position) {
            if (request.Selects(m_table[trips.TableIndex(position)])) {
                pieces.push_back({PieceSuffix(trip.FirstMs + shift, true),
                                  request.Window.Within(trip.FirstMs, trip.LastMs + 1)});
                break;
            }
        }
    }
    return pieces;
}

std::vector<ExportPiece> ConversionService::DayPieces(const ExportRequest& request) const
{
    std::optional<TripAnalysis> own;
    const TripAnalysis& trips = TripsFor(kDefaultTripGapMs, own); // for the time order
    // Local moments to the clock of the days, and back.
    const std::int64_t shift = request.Format.Utc ? m_bias * kMsPerMinute : 0;
    std::vector<ExportPiece> pieces;
    std::optional<std::int64_t> current;
    for (std::size_t position = 0; position < trips.FixCount; ++position) {
        const TGpsFix& fix = m_table[trips.TableIndex(position)];
        if (!request.Selects(fix))
            continue;
        const std::int64_t day =
            FloorDiv(DayCountToMilliseconds(fix.Time) + shift, kMillisecondsPerDay);
        if (day == current)
            continue;
        current = day;
        const std::int64_t start = day * kMillisecondsPerDay - shift;
        pieces.push_back({PieceSuffix(day * kMillisecondsPerDay, false),
                          request.Window.Within(start, start + kMillisecondsPerDay)});
    }
    return pieces;
}

const PhotoTrack& ConversionService::Track() const
{
    if (!m_track)
        m_track.emplace(m_table.Fixes(), m_loadedBias);
    return *m_track;
}

PhotoOutcome ConversionService::PlacePhoto(const PhotoInfo& photo,
                                           const GeotagSettings& settings) const
{
    return ::PlacePhoto(photo, Track(), settings);
}

PhotoOutcome ConversionService::TagPhoto(const std::string& path,
                                         const GeotagSettings& settings) const
{
    return ::TagPhoto(path, Track(), settings);
}

void ConversionService::TagPhotos(
    std::span<const std::string> paths, const GeotagSettings& settings,
    const std::function<void(std::size_t, const PhotoOutcome&)>& done) const
{
    ::TagPhotos(paths, Track(), settings, done);
}
