#pragma once

#include "store/GpsFix.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Where a moment lies on a log's track: the fixes with a position, in time order, in UTC.

// The longest pause between two fixes that a photo is placed across, unless asked otherwise.
constexpr std::int64_t kDefaultMaxGapMs = 60000;
// A photo this close before the first or after the last fix of a run takes that fix.
constexpr std::int64_t kRunEdgeMs = 10000;

struct TrackPoint {
    std::int64_t UtcMs = 0;
    double LatDeg = 0;
    double LonDeg = 0;
    std::optional<double> HeightM; // nothing when the fix holds no finite height
};

enum class PlaceKind {
    OnTrack,    // interpolated between two fixes, on a fix, or near a run's first or last fix
    InGap,      // between two fixes further apart than the gap allowed
    OutsideLog, // before the first or after the last fix, further than the run's edge
};

struct Placement {
    PlaceKind Kind = PlaceKind::OutsideLog;
    TrackPoint Point; // the position found; its UtcMs is the photo's moment (OnTrack only)
};

class PhotoTrack
{
  public:
    PhotoTrack() = default;
    // The fixes with a position (HasPosition) and a finite time, in time order; a fix's local
    // day count becomes UTC with the bias its log was loaded with (UTC = local time + bias).
    PhotoTrack(std::span<const TGpsFix> fixes, std::int32_t biasMinutes);

    [[nodiscard]] const std::vector<TrackPoint>& Points() const { return m_points; }
    // The zone of the log's local times, the camera's zone when nothing else says.
    [[nodiscard]] std::int32_t BiasMinutes() const { return m_biasMinutes; }
    [[nodiscard]] bool Empty() const { return m_points.empty(); }

    // The position at a moment: linear in time between two fixes at most `maxGapMs` apart (the
    // height only where both have one), a fix itself on its millisecond, the nearest fix of a
    // run within kRunEdgeMs (and within `maxGapMs`) of its first or last fix; otherwise in a gap
    // or outside the log.
    [[nodiscard]] Placement Place(std::int64_t utcMs, std::int64_t maxGapMs) const;

  private:
    std::vector<TrackPoint> m_points;
    std::int32_t m_biasMinutes = 0;
};

// The point a fraction of the way from `a` to `b` (0 gives a, 1 gives b); a longitude step of
// more than 180 degrees goes the short way, across the date line.
[[nodiscard]] TrackPoint Interpolate(const TrackPoint& a, const TrackPoint& b, double fraction);
