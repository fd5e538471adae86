#include "geometry/PhotoMarks.h"

#include "store/TimeBase.h"

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
