#pragma once

#include "convert/Trips.h"
#include "geometry/TrackPlane.h"
#include "photos/Geotag.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Photos placed on a log's track, as the track picture marks them.

struct PhotoMark {
    std::size_t Photo = 0; // its index among the photos
    PlanePoint At;         // metres on the plane
    // The trip its moment lies in, whose colour it takes: between two fixes of the trip, or near
    // the trip's first or last fix; nothing only for a trip the plane does not know.
    std::optional<std::size_t> Trip;
    // The position the photo holds itself (already tagged), not the log's: drawn hollow.
    bool Held = false;
};

// The marks of the photos whose outcome holds a place, in the photos' order. The trips are the
// plane's, in local time; `biasMinutes` is the zone of the log (UTC = local time + bias).
[[nodiscard]] std::vector<PhotoMark> PhotoMarks(const TrackPlane& plane,
                                                std::span<const Trip> trips,
                                                std::span<const PhotoOutcome> outcomes,
                                                std::int32_t biasMinutes);

// The point of the track nearest a pixel, along the lines of its trips, with its moment (local
// whole milliseconds, in proportion between two fixes): where a photo's mark dragged to that
// pixel would lie. Nothing when no part of the track is within `maxPixels`.
struct TrackSpot {
    PlanePoint At; // metres on the plane
    std::int64_t Moment = 0;
};
[[nodiscard]] std::optional<TrackSpot> SpotNear(const TrackPlane& plane,
                                                const PlaneTransform& transform,
                                                const PlanePoint& pixel, double maxPixels);
