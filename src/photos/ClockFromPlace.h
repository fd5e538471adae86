#pragma once

#include "photos/Geotag.h"
#include "photos/PhotoTrack.h"

#include <cstdint>

// The camera's clock error from one photo that already holds its true position (placed by hand,
// or taken by a camera with its own GPS): the track passed closest to that position at some
// moment, and the photo's clock says another; the difference is the error, which then places
// every other photo of the run.
//
// The track is searched within kClockSearchMs of the photo's own time (taken as true, in the
// camera's zone): its fixes and the straight steps between neighbours at most the gap apart
// (GeotagSettings::MaxGapMs), on a plane tangent at the photo. The nearest point wins; its moment
// is interpolated along its step. A track that never comes within kClockNearM gives no error.

constexpr std::int64_t kClockSearchMs = std::int64_t{12} * 3600 * 1000;
constexpr double kClockNearM = 100;

enum class ClockFromPlaceStatus {
    Found,
    NoTime,     // the photo has no readable DateTimeOriginal
    NoPosition, // it holds no GPS position
    NotNear,    // the track never comes within kClockNearM of it within kClockSearchMs
};

struct ClockFromPlace {
    ClockFromPlaceStatus Status = ClockFromPlaceStatus::NoPosition;
    std::int64_t OffsetMs = 0;   // camera minus true time (GeotagSettings::CameraOffsetMs)
    std::int64_t TrackUtcMs = 0; // when the track passed closest
    // How close it passed (Found), or the closest it came in the hours searched (NotNear;
    // infinite when no fix lies in them).
    double DistanceM = 0;
};

// The clock error the photo gives on the track, with the camera's zone of the settings (the
// log's when they give none); the settings' own CameraOffsetMs is not used.
[[nodiscard]] ClockFromPlace ClockErrorFromPlace(const PhotoInfo& photo, const PhotoTrack& track,
                                                 const GeotagSettings& settings);
