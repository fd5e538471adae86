#include "convert/ConversionService.h"

#include <algorithm>

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

std::string ConversionService::DefaultTarget(std::string_view path) { return NmeaTargetPath(path); }

bool ConversionService::IsLoadedLog(const std::string& path) const
{
    return !m_loadedPath.empty() && SameFile(path, m_loadedPath);
}

ExportResult ConversionService::Export(const std::string& target, const TimeWindow& window) const
{
    return ExportWindows(target, std::span(&window, 1));
}

ExportResult ConversionService::ExportWindows(const std::string& target,
                                              std::span<const TimeWindow> windows) const
{
    if (IsLoadedLog(target)) {
        ExportResult refused;
        refused.Status = ExportStatus::SameAsLog;
        return refused;
    }
    return ExportNmea(m_table.Fixes(), target,
                      [windows](const TGpsFix& fix) { return AnyContains(windows, fix); });
}
