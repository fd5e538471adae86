#include "convert/ConversionService.h"

#include "convert/OutputNames.h"
#include "export/CsvExport.h"
#include "export/GeoJsonExport.h"
#include "export/GpxExport.h"
#include "export/KmlExport.h"
#include "store/Digits.h"
#include "store/TimeBase.h"
#include "system/Paths.h"
#include "system/Zone.h"

#include <algorithm>
#include <charconv>

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

// The layout of a format's files.
TrackLayout LayoutOf(TrackFormat format, const RecordStyle& style)
{
    switch (format) {
    case TrackFormat::Gpx:
        return GpxLayout();
    case TrackFormat::Kml:
        return KmlLayout();
    case TrackFormat::GeoJson:
        return GeoJsonLayout();
    case TrackFormat::Csv:
        return CsvLayout();
    case TrackFormat::Nmea:
        break;
    }
    return NmeaLayout(style);
}

// The summaries of the trips the parts name, when there are any.
std::vector<PartSummary> PieceSummaries(std::span<const RecordPart> parts,
                                        std::span<const PartSummary> summaries)
{
    std::vector<PartSummary> picked;
    if (!summaries.empty())
        for (const RecordPart& part : parts)
            picked.push_back(summaries[static_cast<std::size_t>(part.Number - 1)]);
    return picked;
}

// True when the window may hold a fix of the trip.
bool Meets(const TimeWindow& window, const Trip& trip)
{
    return (!window.Start || trip.LastMs >= *window.Start) &&
           (!window.End || trip.FirstMs < *window.End);
}

} // namespace

ConversionService::ConversionService(std::optional<std::int32_t> biasMinutes)
    : m_bias(biasMinutes ? *biasMinutes : StandardTimeZoneBias()), m_systemZone(!biasMinutes),
      m_localEpoch(LocalEpochFromBias(m_bias))
{
}

LoadResult ConversionService::Load(const std::string& path, const LoadOptions& options)
{
    const LoggerClock clock(m_localEpoch, options.AddedWeeks * kSecondsPerWeek);
    LoadResult result = LoadLogFile(path, clock, m_table, options.ReadAs);
    if (result.Kind != LogKind::None) {
        m_loadedPath = path;
        m_loadedWith = options;
        m_lastLoad = result;
        m_archive.reset();
        m_trips = {};
        m_track.reset();
    }
    return result;
}

ArchiveStatus ConversionService::LoadArchive(const std::string& path, const TimeWindow& window)
{
    Archive archive;
    ArchiveStatus status = archive.Open(path, Archive::Mode::Read);
    ArchiveSummary summary;
    if (status.Ok())
        status = archive.Summarise(summary, !window.Start && !window.End);
    if (!status.Ok())
        return status;
    // Local milliseconds to UTC, a second wider on each side than the window: the export picks
    // the window's fixes exactly.
    const std::int64_t toUtc = std::int64_t{m_bias} * kMsPerMinute - kUnixEpochMs;
    const auto utc = [toUtc](std::optional<std::int64_t> local, std::int64_t widen) {
        return local ? std::optional(*local + toUtc + widen) : std::nullopt;
    };
    status = archive.Read(m_localEpoch, utc(window.Start, -kMsPerSecond),
                          utc(window.End, kMsPerSecond), m_table);
    m_trips = {};
    m_track.reset();
    if (!status.Ok()) {
        // A read that failed half-way has emptied the table: nothing is loaded.
        m_loadedPath.clear();
        m_lastLoad = LoadResult{};
        m_archive.reset();
        return status;
    }
    m_loadedPath = path;
    m_loadedWith = {};
    m_lastLoad = LoadResult{};
    m_lastLoad.Kind = LogKind::Block;
    m_lastLoad.RecordsCourse = summary.RecordsCourse;
    m_lastLoad.RecordsSatellites = summary.RecordsSatellites;
    m_archive = summary;
    return status;
}

ImportReport ConversionService::ImportLoaded(const std::string& archivePath) const
{
    ImportReport report;
    if (m_loadedPath.empty() || m_archive) {
        report.Status = {ArchiveProblem::Failed, "no log is loaded"};
        return report;
    }
    Archive archive;
    report.Status = archive.Open(archivePath, Archive::Mode::Write);
    if (report.Status.Ok())
        report = archive.Import(m_loadedPath, m_loadedWith.AddedWeeks, kDefaultTripGapMs,
                                m_loadedWith.ReadAs);
    return report;
}

double ConversionService::LocalDayCountOfUtc(std::int64_t utcMs) const
{
    const std::int64_t localMs = utcMs + kUnixEpochMs - std::int64_t{m_bias} * kMsPerMinute;
    return static_cast<double>(localMs) / static_cast<double>(kMillisecondsPerDay);
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

std::optional<RolloverSpans> ConversionService::WeekRolloverSpans() const
{
    if (!m_lastLoad.LikelyWeekRollover)
        return std::nullopt;
    RolloverSpans spans;
    if (const std::optional<LogSpan> span = Span()) {
        spans.FoundFirstMs = DayCountToMilliseconds(span->Earliest);
        spans.FoundLastMs = DayCountToMilliseconds(span->Latest);
    } else {
        const SectorDropCounts& dropped = m_lastLoad.Dropped;
        const auto local = [this](std::int64_t seconds) {
            return DayCountToMilliseconds(LoggerTimeToDayCount(seconds, 0, m_localEpoch));
        };
        spans.FoundFirstMs = local(dropped.EarliestTooEarly);
        spans.FoundLastMs = local(dropped.LatestTooEarly);
    }
    constexpr std::int64_t kRolloverMs = kWeekRolloverWeeks * kSecondsPerWeek * kMsPerSecond;
    spans.RepairedFirstMs = spans.FoundFirstMs + kRolloverMs;
    spans.RepairedLastMs = spans.FoundLastMs + kRolloverMs;
    return spans;
}

const TripAnalysis& ConversionService::Trips(std::int64_t gapMs) const
{
    return TripsWith(gapMs, TripFigures::All);
}

const TripAnalysis& ConversionService::TripsWith(std::int64_t gapMs, TripFigures figures) const
{
    std::optional<CachedTrips>& cached = m_trips[gapMs == kDefaultTripGapMs ? 0 : 1];
    // An analysis with all figures serves a request for the bounds too.
    if (!cached || cached->GapMs != gapMs ||
        (figures == TripFigures::All && cached->Figures != TripFigures::All))
        cached = CachedTrips{gapMs, figures, AnalyseTrips(m_table.Fixes(), gapMs, figures)};
    return cached->Analysis;
}

bool ConversionService::FixesInSummerTime() const
{
    if (!m_systemZone)
        return false;
    const std::int32_t standard = StandardTimeZoneBias();
    // Zones change their clocks on the hour: one question per hour the fixes meet.
    std::optional<std::int64_t> hour;
    for (const TGpsFix& fix : m_table.Fixes()) {
        if (!HasPosition(fix))
            continue;
        const std::int64_t utcMs =
            DayCountToMilliseconds(fix.Time) + m_bias * kMsPerMinute - kUnixEpochMs;
        const std::int64_t fixHour = FloorDiv(utcMs, kMsPerHour);
        if (fixHour == hour)
            continue;
        hour = fixHour;
        if (ZoneBiasAt(fixHour * 3600) < standard)
            return true;
    }
    return false;
}

RecordStyle ConversionService::StyleOf(const ExportRequest& request) const
{
    // Fields the log does not record (a sector log's course, say) are left out of the files for
    // other programs.
    return {m_bias, request.Format.Utc, request.Format.Gga, m_lastLoad.RecordsCourse,
            m_lastLoad.RecordsSatellites};
}

bool ConversionService::IsLoadedLog(const std::string& path) const
{
    return !m_loadedPath.empty() && SameFile(path, m_loadedPath);
}

void ConversionService::ProtectInputs(const std::vector<std::string>& paths)
{
    m_inputs.clear();
    for (const std::string& path : paths)
        m_inputs.push_back({path, IdentityOf(path), ResolvedPath(path)});
    m_written.clear();
    m_notesWritten = true;
}

ExportResult ConversionService::CheckTarget(const std::string& target) const
{
    ExportResult check;
    const std::optional<FileIdentity> identity = IdentityOf(target);
    const std::string resolved = ResolvedPath(target);
    const auto named = [&](const std::vector<RunFile>& files) {
        return std::find_if(files.begin(), files.end(), [&](const RunFile& file) {
            return (identity && identity == file.Identity) || resolved == file.Resolved;
        });
    };
    // Each is taken once a target, whatever the number of inputs and outputs.
    if (const auto written = named(m_written); written != m_written.end()) {
        check.Status = ExportStatus::WrittenEarlier;
        check.Input = written->Name;
    } else if (IsLoadedLog(target)) {
        check.Status = ExportStatus::SameAsLog;
    } else if (const auto input = named(m_inputs); input != m_inputs.end()) {
        check.Status = ExportStatus::SameAsInput;
        check.Input = input->Name;
    }
    return check;
}

void ConversionService::NoteWritten(const std::string& target)
{
    if (m_notesWritten && target != "-")
        m_written.push_back({m_loadedPath, IdentityOf(target), ResolvedPath(target)});
}

std::size_t ConversionService::CountSelected(const ExportRequest& request) const
{
    const std::span<const TGpsFix> fixes = m_table.Fixes();
    return static_cast<std::size_t>(
        std::count_if(fixes.begin(), fixes.end(),
                      [&request](const TGpsFix& fix) { return request.Selects(fix); }));
}

ExportResult ConversionService::Export(const std::string& target, const ExportRequest& request)
{
    if (ExportResult refused = CheckTarget(target); !refused.Ok())
        return refused;
    ExportResult result = WriteWhole(target, request);
    if (result.Ok())
        NoteWritten(target);
    return result;
}

ExportResult ConversionService::WriteWhole(const std::string& target,
                                           const ExportRequest& request) const
{
    const RecordStyle style = StyleOf(request);
    const FixFilter selected = [&request](const TGpsFix& fix) { return request.Selects(fix); };
    if (request.Format.Format == TrackFormat::Nmea) {
        // Chosen trips may lie anywhere in the window: the whole table is looked at.
        const RecordPart range = request.Chosen.empty() ? TableRange(request.Window)
                                                        : RecordPart{0, m_table.Fixes().size()};
        return WriteTrack(target, NmeaLayout(style), style, {m_table.Fixes(), {}, {&range, 1}},
                          selected, request.Threads);
    }
    const TrackLayout layout = LayoutOf(request.Format.Format, style);
    const std::vector<PartSummary> summaries = SummariesFor(layout, request);
    const TripAnalysis& trips = TripsWith(request.TripGapMs, TripFigures::BoundsOnly);
    std::vector<RecordPart> tripParts;
    std::vector<PartSummary> partSummaries;
    for (std::size_t i = 0; i < trips.Trips.size(); ++i) {
        const Trip& trip = trips.Trips[i];
        if (!Meets(request.Window, trip))
            continue;
        tripParts.push_back({trip.Begin, trip.End, static_cast<std::int32_t>(i + 1)});
        if (!summaries.empty())
            partSummaries.push_back(summaries[i]);
    }
    const std::vector<RecordPart> parts = LayoutParts(layout, tripParts, partSummaries);
    return WriteTrack(target, layout, style, {m_table.Fixes(), trips.Order, parts}, selected,
                      request.Threads);
}

std::vector<MovingFigures> ConversionService::TripMoving(std::int64_t gapMs) const
{
    return MeasureMoving(m_table.Fixes(), Trips(gapMs));
}

std::vector<PartSummary> ConversionService::SummariesFor(const TrackLayout& layout,
                                                         const ExportRequest& request) const
{
    std::vector<PartSummary> summaries;
    if (layout.Describe == nullptr)
        return summaries;
    const std::vector<MovingFigures> moving = TripMoving(request.TripGapMs);
    const TripAnalysis& trips = Trips(request.TripGapMs);
    const std::int64_t toUtc = std::int64_t{m_bias} * kMsPerMinute;
    for (std::size_t i = 0; i < trips.Trips.size(); ++i) {
        const Trip& trip = trips.Trips[i];
        summaries.push_back({.Number = static_cast<std::int32_t>(i + 1),
                             .FirstUtcMs = trip.FirstMs + toUtc,
                             .LastUtcMs = trip.LastMs + toUtc,
                             .Fixes = trip.FixCount(),
                             .DistanceM = trip.DistanceM,
                             .MaxSpeedKmh = trip.MaxSpeedKmh,
                             .MovingMs = moving[i].MovingMs,
                             .AvgMovingKmh = moving[i].AvgMovingKmh,
                             .AscentM = moving[i].AscentM,
                             .DescentM = moving[i].DescentM});
    }
    return summaries;
}

std::vector<ExportPiece> ConversionService::SplitPieces(SplitMode mode,
                                                        const ExportRequest& request,
                                                        std::string_view stem) const
{
    std::vector<ExportPiece> pieces =
        mode == SplitMode::Trip ? TripPieces(request) : DayPieces(request);
    for (ExportPiece& piece : pieces)
        piece.Target = PieceTarget(stem, piece.Suffix);
    return pieces;
}

std::vector<std::optional<ExportResult>>
ConversionService::ExportPieces(std::span<const ExportPiece> pieces, const ExportRequest& request)
{
    std::vector<std::optional<ExportResult>> results(pieces.size());
    if (pieces.empty())
        return results;
    const RecordStyle style = StyleOf(request);
    const TrackLayout layout = LayoutOf(request.Format.Format, style);
    const std::vector<PartSummary> summaries = SummariesFor(layout, request);
    const TripAnalysis& trips = TripsWith(request.TripGapMs, TripFigures::BoundsOnly);
    ExportRequest narrowed = request;
    const FixFilter selected = [&narrowed](const TGpsFix& fix) { return narrowed.Selects(fix); };
    std::vector<std::int32_t> order;
    std::vector<RecordPart> parts;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const ExportPiece& piece = pieces[i];
        if (!piece.Write)
            continue;
        if (ExportResult refused = CheckTarget(piece.Target); !refused.Ok()) {
            results[i] = std::move(refused);
            continue;
        }
        narrowed.Window = piece.Window;
        const RecordPlan plan = PiecePlan(piece, request, trips, order, parts);
        if (request.Format.Format != TrackFormat::Nmea)
            parts = LayoutParts(layout, parts, PieceSummaries(parts, summaries));
        results[i] = WriteTrack(piece.Target, layout, style, {plan.Fixes, plan.Order, parts},
                                selected, request.Threads);
        if (results[i]->Ok())
            NoteWritten(piece.Target);
    }
    return results;
}

RecordPart ConversionService::TableRange(const TimeWindow& window) const
{
    const std::span<const TGpsFix> fixes = m_table.Fixes();
    RecordPart range{0, fixes.size()};
    if (!window.Start && !window.End)
        return range;
    if (!TripsWith(kDefaultTripGapMs, TripFigures::BoundsOnly).Order.empty())
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
    const TripAnalysis& trips = TripsWith(request.TripGapMs, TripFigures::BoundsOnly);
    const std::int64_t shift = request.Format.Utc ? m_bias * kMsPerMinute : 0;
    std::vector<ExportPiece> pieces;
    for (const Trip& trip : trips.Trips) {
        if (!Meets(request.Window, trip))
            continue;
        for (std::size_t position = trip.Begin; position < trip.End; ++position) {
            if (request.Selects(m_table[trips.TableIndex(position)])) {
                pieces.push_back({.Suffix = PieceSuffix(trip.FirstMs + shift, true),
                                  .Target = {},
                                  .Window = request.Window.Within(trip.FirstMs, trip.LastMs + 1),
                                  .Write = true,
                                  .Begin = trip.Begin,
                                  .End = trip.End});
                break;
            }
        }
    }
    return pieces;
}

std::vector<ExportPiece> ConversionService::DayPieces(const ExportRequest& request) const
{
    // The time order, which is the same whatever the gap.
    const TripAnalysis& trips = TripsWith(kDefaultTripGapMs, TripFigures::BoundsOnly);
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
        if (day == current) {
            pieces.back().End = position + 1;
            continue;
        }
        current = day;
        const std::int64_t start = day * kMillisecondsPerDay - shift;
        pieces.push_back({.Suffix = PieceSuffix(day * kMillisecondsPerDay, false),
                          .Target = {},
                          .Window = request.Window.Within(start, start + kMillisecondsPerDay),
                          .Write = true,
                          .Begin = position,
                          .End = position + 1});
    }
    return pieces;
}

RecordPlan ConversionService::PiecePlan(const ExportPiece& piece, const ExportRequest& request,
                                        const TripAnalysis& trips, std::vector<std::int32_t>& order,
                                        std::vector<RecordPart>& parts) const
{
    const std::size_t end = std::min(piece.End, trips.FixCount);
    const std::size_t begin = std::min(piece.Begin, end);
    parts.clear();
    if (request.Format.Format == TrackFormat::Nmea) {
        // NMEA lists the table's order: the piece's entries are sorted back into it.
        if (trips.Order.empty()) {
            parts.push_back({begin, end});
            return {m_table.Fixes(), {}, parts};
        }
        const auto at = [&trips](std::size_t i) {
            return trips.Order.begin() + static_cast<std::ptrdiff_t>(i);
        };
        order.assign(at(begin), at(end));
        std::sort(order.begin(), order.end());
        parts.push_back({0, order.size()});
        return {m_table.Fixes(), order, parts};
    }
    // The other formats: a part for each trip the piece meets, cut to the piece.
    auto trip = std::partition_point(trips.Trips.begin(), trips.Trips.end(),
                                     [begin](const Trip& t) { return t.End <= begin; });
    for (; trip != trips.Trips.end() && trip->Begin < end; ++trip)
        parts.push_back({std::max(trip->Begin, begin), std::min(trip->End, end),
                         static_cast<std::int32_t>(trip - trips.Trips.begin() + 1)});
    return {m_table.Fixes(), trips.Order, parts};
}

const PhotoTrack& ConversionService::Track() const
{
    if (!m_track)
        m_track.emplace(m_table.Fixes(), m_bias);
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

void ConversionService::TagPhotos(std::span<const std::string> paths,
                                  const GeotagSettings& settings,
                                  const std::function<void(std::size_t, const PhotoOutcome&)>& done,
                                  TaggingProgress* progress) const
{
    ::TagPhotos(paths, Track(), settings, done, progress);
}

ClockFromPlace ConversionService::ClockFromPhoto(const PhotoInfo& photo,
                                                 const GeotagSettings& settings) const
{
    return ClockErrorFromPlace(photo, Track(), settings);
}
