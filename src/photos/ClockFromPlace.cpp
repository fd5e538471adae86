#include "photos/ClockFromPlace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kEarthRadiusM = 6371008.8;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// Metres east and north of the photo on the plane tangent there.
struct Offset {
    double EastM = 0;
    double NorthM = 0;
};

class TangentPlane
{
  public:
    TangentPlane(double latDeg, double lonDeg)
        : m_latDeg(latDeg), m_lonDeg(lonDeg), m_cosLat(std::cos(latDeg * kRadiansPerDegree))
    {
    }
    [[nodiscard]] Offset Of(const TrackPoint& point) const
    {
        double dLon = point.LonDeg - m_lonDeg;
        // The short way across the date line.
        dLon -= 360.0 * std::round(dLon / 360.0);
        return {dLon * kRadiansPerDegree * kEarthRadiusM * m_cosLat,
                (point.LatDeg - m_latDeg) * kRadiansPerDegree * kEarthRadiusM};
    }

  private:
    double m_latDeg;
    double m_lonDeg;
    double m_cosLat;
};

// The nearest point to the origin on the step from a to b, as a fraction along it, and its
// distance.
std::pair<double, double> NearestOnStep(const Offset& a, const Offset& b)
{
    const double dx = b.EastM - a.EastM, dy = b.NorthM - a.NorthM;
    const double length2 = dx * dx + dy * dy;
    const double fraction =
        length2 > 0 ? std::clamp(-(a.EastM * dx + a.NorthM * dy) / length2, 0.0, 1.0) : 0.0;
    return {fraction, std::hypot(a.EastM + fraction * dx, a.NorthM + fraction * dy)};
}

} // namespace

ClockFromPlace ClockErrorFromPlace(const PhotoInfo& photo, const PhotoTrack& track,
                                   const GeotagSettings& settings)
{
    ClockFromPlace found;
    if (!photo.HeldPlace)
        return found;
    const CameraClock camera{settings.CameraBiasMinutes.value_or(track.BiasMinutes()), 0};
    const std::optional<PhotoMoment> moment = PhotoMomentOf(photo.Clock, camera);
    if (!moment) {
        found.Status = ClockFromPlaceStatus::NoTime;
        return found;
    }
    const std::vector<TrackPoint>& points = track.Points();
    const auto first =
        std::lower_bound(points.begin(), points.end(), moment->UtcMs - kClockSearchMs,
                         [](const TrackPoint& p, std::int64_t ms) { return p.UtcMs < ms; });
    const TangentPlane plane(photo.HeldPlace->LatDeg, photo.HeldPlace->LonDeg);
    found.DistanceM = std::numeric_limits<double>::infinity();
    for (auto it = first; it != points.end() && it->UtcMs <= moment->UtcMs + kClockSearchMs; ++it) {
        const auto next = std::next(it);
        const bool step = next != points.end() && next->UtcMs <= moment->UtcMs + kClockSearchMs &&
                          next->UtcMs - it->UtcMs <= settings.MaxGapMs;
        const Offset a = plane.Of(*it);
        const auto [fraction, distanceM] =
            step ? NearestOnStep(a, plane.Of(*next)) : NearestOnStep(a, a);
        if (distanceM < found.DistanceM) {
            found.DistanceM = distanceM;
            found.TrackUtcMs =
                it->UtcMs +
                (step ? std::llround(fraction * static_cast<double>(next->UtcMs - it->UtcMs)) : 0);
        }
    }
    if (!(found.DistanceM <= kClockNearM)) {
        found.Status = ClockFromPlaceStatus::NotNear;
        return found;
    }
    found.Status = ClockFromPlaceStatus::Found;
    found.OffsetMs = moment->UtcMs - found.TrackUtcMs;
    return found;
}
