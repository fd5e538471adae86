#include "photos/PhotoTrack.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>

namespace {

// The edge fix of a run when the moment lies within kRunEdgeMs of it, and no further than the
// longest pause a photo is placed across.
std::optional<Placement> NearEdge(const TrackPoint& edge, std::int64_t utcMs, std::int64_t maxGapMs)
{
    if (std::abs(edge.UtcMs - utcMs) > std::min(kRunEdgeMs, maxGapMs))
        return std::nullopt;
    Placement near{PlaceKind::OnTrack, edge};
    near.Point.UtcMs = utcMs;
    return near;
}

} // namespace

PhotoTrack::PhotoTrack(std::span<const TGpsFix> fixes, std::int32_t biasMinutes)
    : m_biasMinutes(biasMinutes)
{
    m_points.reserve(fixes.size());
    for (const TGpsFix& fix : fixes) {
        if (!HasPosition(fix) || !std::isfinite(fix.Time))
            continue;
        TrackPoint& p = m_points.emplace_back();
        p.UtcMs = DayCountToMilliseconds(fix.Time) + biasMinutes * kMsPerMinute;
        p.LatDeg = fix.Latitude;
        p.LonDeg = fix.Longitude;
        if (std::isfinite(fix.ExtraValue))
            p.HeightM = fix.ExtraValue;
    }
    std::stable_sort(m_points.begin(), m_points.end(),
                     [](const TrackPoint& a, const TrackPoint& b) { return a.UtcMs < b.UtcMs; });
}

TrackPoint Interpolate(const TrackPoint& a, const TrackPoint& b, double fraction)
{
    TrackPoint p;
    p.UtcMs = a.UtcMs + static_cast<std::int64_t>(
                            std::llround(static_cast<double>(b.UtcMs - a.UtcMs) * fraction));
    p.LatDeg = a.LatDeg + (b.LatDeg - a.LatDeg) * fraction;
    double lonStep = b.LonDeg - a.LonDeg;
    if (lonStep > 180)
        lonStep -= 360;
    else if (lonStep < -180)
        lonStep += 360;
    p.LonDeg = a.LonDeg + lonStep * fraction;
    if (p.LonDeg > 180)
        p.LonDeg -= 360;
    else if (p.LonDeg < -180)
        p.LonDeg += 360;
    if (a.HeightM && b.HeightM)
        p.HeightM = *a.HeightM + (*b.HeightM - *a.HeightM) * fraction;
    return p;
}

Placement PhotoTrack::Place(std::int64_t utcMs, std::int64_t maxGapMs) const
{
    const auto after =
        std::lower_bound(m_points.begin(), m_points.end(), utcMs,
                         [](const TrackPoint& p, std::int64_t t) { return p.UtcMs < t; });
    if (after != m_points.end() && after->UtcMs == utcMs)
        return {PlaceKind::OnTrack, *after};
    const bool first = after == m_points.begin();
    const bool last = after == m_points.end();
    if (first || last) {
        if (m_points.empty())
            return {};
        const std::optional<Placement> near =
            NearEdge(first ? *after : *(after - 1), utcMs, maxGapMs);
        return near ? *near : Placement{};
    }
    const TrackPoint& before = *(after - 1);
    const std::int64_t spanMs = after->UtcMs - before.UtcMs;
    if (spanMs <= maxGapMs) {
        const double fraction =
            static_cast<double>(utcMs - before.UtcMs) / static_cast<double>(spanMs);
        Placement placed{PlaceKind::OnTrack, Interpolate(before, *after, fraction)};
        placed.Point.UtcMs = utcMs;
        return placed;
    }
    // Between two runs: the nearer edge, if either is close enough.
    const bool nearerBefore = utcMs - before.UtcMs <= after->UtcMs - utcMs;
    if (const std::optional<Placement> near =
            NearEdge(nearerBefore ? before : *after, utcMs, maxGapMs))
        return *near;
    return {PlaceKind::InGap, {}};
}
