#include "geometry/TrackPlane.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kNoPoint = std::numeric_limits<double>::quiet_NaN();

// The mean latitude and the first longitude of the fixes with a position.
struct Reference {
    double Latitude = 0;
    double Longitude = 0;
};

Reference ReferenceOf(std::span<const TGpsFix> fixes, const TripAnalysis& analysis)
{
    Reference ref;
    double latitudeSum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        if (!HasPosition(fix))
            continue;
        if (count == 0)
            ref.Longitude = fix.Longitude;
        latitudeSum += fix.Latitude;
        ++count;
    }
    if (count > 0)
        ref.Latitude = latitudeSum / static_cast<double>(count);
    return ref;
}

double SquaredDistance(const PlanePoint& from, const PlanePoint& to)
{
    const double dx = to.X - from.X;
    const double dy = to.Y - from.Y;
    return dx * dx + dy * dy;
}

} // namespace

TrackPlane::TrackPlane(std::span<const TGpsFix> fixes, const TripAnalysis& analysis)
{
    const Reference ref = ReferenceOf(fixes, analysis);
    const double metresPerDegree = kTripEarthRadiusM * kRadiansPerDegree;
    const double eastScale = metresPerDegree * std::cos(ref.Latitude * kRadiansPerDegree);
    m_points.reserve(fixes.size());
    m_moments.reserve(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        m_moments.push_back(DayCountToMilliseconds(fix.Time));
        // A record without a position (a stale one, from a logger without a fix) is no point.
        if (!HasPosition(fix)) {
            m_points.push_back({kNoPoint, kNoPoint});
            continue;
        }
        // Longitudes are taken within half a turn of the reference, so a track across the
        // antimeridian stays in one piece.
        const double east =
            fix.Longitude - 360.0 * std::round((fix.Longitude - ref.Longitude) / 360.0);
        const PlanePoint p{(east - ref.Longitude) * eastScale,
                           (fix.Latitude - ref.Latitude) * metresPerDegree};
        m_points.push_back(p);
        if (!m_anyPoint)
            m_bounds = {p.X, p.Y, p.X, p.Y};
        m_bounds = {std::min(m_bounds.MinX, p.X), std::min(m_bounds.MinY, p.Y),
                    std::max(m_bounds.MaxX, p.X), std::max(m_bounds.MaxY, p.Y)};
        m_anyPoint = true;
    }
    m_trips.reserve(analysis.Trips.size());
    for (const Trip& trip : analysis.Trips)
        m_trips.emplace_back(trip.Begin, trip.End);
}

std::pair<std::size_t, std::size_t> TrackPlane::PositionsIn(const MsWindow& window) const
{
    const auto first = std::lower_bound(m_moments.begin(), m_moments.end(), window.Start);
    const auto last = std::lower_bound(first, m_moments.end(), std::max(window.Start, window.End));
    return {static_cast<std::size_t>(first - m_moments.begin()),
            static_cast<std::size_t>(last - m_moments.begin())};
}

std::optional<PlanePoint> TrackPlane::FirstPoint() const
{
    const auto it = std::find_if(m_points.begin(), m_points.end(),
                                 [](const PlanePoint& p) { return IsFinite(p); });
    return it == m_points.end() ? std::nullopt : std::optional<PlanePoint>(*it);
}

std::optional<PlanePoint> TrackPlane::LastPoint() const
{
    const auto it = std::find_if(m_points.rbegin(), m_points.rend(),
                                 [](const PlanePoint& p) { return IsFinite(p); });
    return it == m_points.rend() ? std::nullopt : std::optional<PlanePoint>(*it);
}

PlaneTransform FitTransform(const PlaneBox& bounds, const PlaneBox& target, double fallbackMetres)
{
    const double fitX = bounds.Width() > 0 ? target.Width() / bounds.Width() : 0;
    const double fitY = bounds.Height() > 0 ? target.Height() / bounds.Height() : 0;
    double scale = std::min(target.Width(), target.Height()) / fallbackMetres;
    if (fitX > 0 && fitY > 0)
        scale = std::min(fitX, fitY);
    else if (fitX > 0 || fitY > 0) // a straight line along one axis
        scale = std::max(fitX, fitY);
    const PlanePoint centre = bounds.Centre();
    const PlanePoint middle = target.Centre();
    return {scale, {middle.X - centre.X * scale, middle.Y + centre.Y * scale}};
}

std::size_t DecimatedTrack::PointCount() const
{
    std::size_t count = 0;
    for (const PlaneLine& line : Lines)
        count += line.size();
    return count;
}

DecimatedTrack Decimate(const TrackPlane& plane, const PlaneTransform& transform,
                        double minStepPixels)
{
    DecimatedTrack out;
    const double minStep2 = minStepPixels * minStepPixels;
    for (const auto& [begin, end] : plane.Trips()) {
        PlaneLine line;
        std::vector<std::size_t> kept;
        PlanePoint last;
        std::size_t lastPosition = 0;
        bool lastKept = true;
        for (std::size_t i = begin; i < end; ++i) {
            if (!IsFinite(plane.Point(i)))
                continue;
            last = transform.Map(plane.Point(i));
            lastPosition = i;
            lastKept = line.empty() || SquaredDistance(line.back(), last) >= minStep2;
            if (lastKept) {
                line.push_back(last);
                kept.push_back(i);
            }
        }
        if (!lastKept) { // the trip's last point ends its line
            line.push_back(last);
            kept.push_back(lastPosition);
        }
        if (!line.empty()) {
            out.Lines.push_back(std::move(line));
            out.Kept.push_back(std::move(kept));
            out.Ranges.emplace_back(begin, end);
        }
    }
    return out;
}

PlaneLine StrongPart(const TrackPlane& plane, const PlaneTransform& transform,
                     const std::vector<std::size_t>& kept, const PlaneLine& line,
                     std::pair<std::size_t, std::size_t> positions)
{
    const auto [first, last] = positions;
    PlaneLine part;
    if (first >= last || kept.empty())
        return part;
    if (IsFinite(plane.Point(first)))
        part.push_back(transform.Map(plane.Point(first)));
    const auto inner = std::upper_bound(kept.begin(), kept.end(), first);
    const auto innerEnd = std::lower_bound(inner, kept.end(), last - 1);
    for (auto it = inner; it != innerEnd; ++it)
        part.push_back(line[static_cast<std::size_t>(it - kept.begin())]);
    if (last - 1 > first && IsFinite(plane.Point(last - 1)))
        part.push_back(transform.Map(plane.Point(last - 1)));
    return part;
}
