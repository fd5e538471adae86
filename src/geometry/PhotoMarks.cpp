#include "geometry/PhotoMarks.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>

std::vector<PhotoMark> PhotoMarks(const TrackPlane& plane, std::span<const Trip> trips,
                                  std::span<const PhotoOutcome> outcomes, std::int32_t biasMinutes)
{
    std::vector<PhotoMark> marks;
    for (std::size_t photo = 0; photo < outcomes.size(); ++photo) {
        const std::optional<TrackPoint>& place = outcomes[photo].Place;
        if (!place)
            continue;
        // A photo placed near a run's first or last fix lies at most kRunEdgeMs beyond it.
        const std::int64_t localMs = place->UtcMs - std::int64_t{biasMinutes} * kMsPerMinute;
        marks.push_back({photo, plane.PointOf(place->LatDeg, place->LonDeg),
                         TripAt(trips, localMs, kRunEdgeMs), outcomes[photo].PlaceHeld});
    }
    return marks;
}

std::optional<TrackSpot> SpotNear(const TrackPlane& plane, const PlaneTransform& transform,
                                  const PlanePoint& pixel, double maxPixels)
{
    // Worked on the plane: the pixel and the reach in metres.
    const PlanePoint target = transform.Unmap(pixel);
    double best = maxPixels / transform.PixelsPerMetre;
    std::optional<TrackSpot> spot;
    const auto consider = [&](std::size_t a, std::size_t b) {
        const PlanePoint& p = plane.Point(a);
        const PlanePoint& q = plane.Point(b);
        const double dx = q.X - p.X;
        const double dy = q.Y - p.Y;
        const double length2 = dx * dx + dy * dy;
        const double t =
            length2 > 0
                ? std::clamp(((target.X - p.X) * dx + (target.Y - p.Y) * dy) / length2, 0.0, 1.0)
                : 0.0;
        const PlanePoint at{p.X + t * dx, p.Y + t * dy};
        const double distance = std::hypot(target.X - at.X, target.Y - at.Y);
        if (distance > best)
            return;
        best = distance;
        const auto span = static_cast<double>(plane.Moment(b) - plane.Moment(a));
        spot = TrackSpot{at, plane.Moment(a) + static_cast<std::int64_t>(std::llround(t * span))};
    };
    for (const auto& [begin, end] : plane.Trips()) {
        std::optional<std::size_t> last;
        for (std::size_t i = begin; i < end; ++i) {
            if (!IsFinite(plane.Point(i)))
                continue;
            consider(last.value_or(i), i);
            last = i;
        }
    }
    return spot;
}
