#include "app/overview/TrackPath.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kNoPoint = std::numeric_limits<double>::quiet_NaN();

bool IsFinite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// The mean latitude and the first longitude of the fixes with a position.
struct Reference {
    double Latitude = 0;
    double Longitude = 0;
    bool Found = false;
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
        if (!ref.Found)
            ref.Longitude = fix.Longitude;
        ref.Found = true;
        latitudeSum += fix.Latitude;
        ++count;
    }
    if (count > 0)
        ref.Latitude = latitudeSum / static_cast<double>(count);
    return ref;
}

} // namespace

TrackPath::TrackPath(std::span<const TGpsFix> fixes, const TripAnalysis& analysis)
{
    const Reference ref = ReferenceOf(fixes, analysis);
    const double metresPerDegree = kTripEarthRadiusM * kRadiansPerDegree;
    const double eastScale = metresPerDegree * std::cos(ref.Latitude * kRadiansPerDegree);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    m_points.reserve(fixes.size());
    m_moments.reserve(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        m_moments.push_back(DayCountToMilliseconds(fix.Time));
        // Longitudes are taken within half a turn of the reference, so a track across the
        // antimeridian stays in one piece.
        const double east =
            fix.Longitude - 360.0 * std::round((fix.Longitude - ref.Longitude) / 360.0);
        // A record without a position (a stale one, from a logger without a fix) is no point.
        const QPointF p = HasPosition(fix)
                              ? QPointF((east - ref.Longitude) * eastScale,
                                        (fix.Latitude - ref.Latitude) * metresPerDegree)
                              : QPointF(kNoPoint, kNoPoint);
        m_points.push_back(p);
        if (!IsFinite(p))
            continue;
        minX = m_anyPoint ? std::min(minX, p.x()) : p.x();
        maxX = m_anyPoint ? std::max(maxX, p.x()) : p.x();
        minY = m_anyPoint ? std::min(minY, p.y()) : p.y();
        maxY = m_anyPoint ? std::max(maxY, p.y()) : p.y();
        m_anyPoint = true;
    }
    if (m_anyPoint)
        m_bounds = QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
    m_trips.reserve(analysis.Trips.size());
    for (const Trip& trip : analysis.Trips)
        m_trips.emplace_back(trip.Begin, trip.End);
}

std::pair<std::size_t, std::size_t> TrackPath::PositionsIn(const MsWindow& window) const
{
    const auto first = std::lower_bound(m_moments.begin(), m_moments.end(), window.Start);
    const auto last = std::lower_bound(first, m_moments.end(), std::max(window.Start, window.End));
    return {static_cast<std::size_t>(first - m_moments.begin()),
            static_cast<std::size_t>(last - m_moments.begin())};
}

std::optional<QPointF> TrackPath::FirstPoint() const
{
    const auto it = std::find_if(m_points.begin(), m_points.end(), IsFinite);
    return it == m_points.end() ? std::nullopt : std::optional<QPointF>(*it);
}

std::optional<QPointF> TrackPath::LastPoint() const
{
    const auto it = std::find_if(m_points.rbegin(), m_points.rend(), IsFinite);
    return it == m_points.rend() ? std::nullopt : std::optional<QPointF>(*it);
}

PlaneTransform FitTransform(const QRectF& bounds, const QRectF& target, double fallbackMetres)
{
    const double fitX = bounds.width() > 0 ? target.width() / bounds.width() : 0;
    const double fitY = bounds.height() > 0 ? target.height() / bounds.height() : 0;
    double scale = std::min(target.width(), target.height()) / fallbackMetres;
    if (fitX > 0 && fitY > 0)
        scale = std::min(fitX, fitY);
    else if (fitX > 0 || fitY > 0) // a straight line along one axis
        scale = std::max(fitX, fitY);
    PlaneTransform transform;
    transform.PixelsPerMetre = scale;
    const QPointF centre = bounds.center();
    transform.Origin =
        QPointF(target.center().x() - centre.x() * scale, target.center().y() + centre.y() * scale);
    return transform;
}

std::size_t DecimatedTrack::PointCount() const
{
    std::size_t count = 0;
    for (const QPolygonF& line : Lines)
        count += static_cast<std::size_t>(line.size());
    return count;
}

DecimatedTrack Decimate(const TrackPath& path, const PlaneTransform& transform,
                        double minStepPixels)
{
    DecimatedTrack out;
    const double minStep2 = minStepPixels * minStepPixels;
    for (const auto& [begin, end] : path.Trips()) {
        QPolygonF line;
        std::vector<std::size_t> kept;
        QPointF last;
        std::size_t lastPosition = 0;
        bool lastKept = true;
        for (std::size_t i = begin; i < end; ++i) {
            if (!IsFinite(path.Point(i)))
                continue;
            last = transform.Map(path.Point(i));
            lastPosition = i;
            const QPointF step = line.isEmpty() ? QPointF() : last - line.back();
            lastKept = line.isEmpty() || QPointF::dotProduct(step, step) >= minStep2;
            if (lastKept) {
                line.append(last);
                kept.push_back(i);
            }
        }
        if (!lastKept) { // the trip's last point ends its line
            line.append(last);
            kept.push_back(lastPosition);
        }
        if (!line.isEmpty()) {
            out.Lines.push_back(std::move(line));
            out.Kept.push_back(std::move(kept));
            out.Ranges.emplace_back(begin, end);
        }
    }
    return out;
}

QPolygonF StrongPart(const TrackPath& path, const PlaneTransform& transform,
                     const std::vector<std::size_t>& kept, const QPolygonF& line,
                     std::pair<std::size_t, std::size_t> positions)
{
    const auto [first, last] = positions;
    QPolygonF part;
    if (first >= last || kept.empty())
        return part;
    if (IsFinite(path.Point(first)))
        part.append(transform.Map(path.Point(first)));
    const auto inner = std::upper_bound(kept.begin(), kept.end(), first);
    const auto innerEnd = std::lower_bound(inner, kept.end(), last - 1);
    for (auto it = inner; it != innerEnd; ++it)
        part.append(line[static_cast<qsizetype>(it - kept.begin())]);
    if (last - 1 > first && IsFinite(path.Point(last - 1)))
        part.append(transform.Map(path.Point(last - 1)));
    return part;
}
