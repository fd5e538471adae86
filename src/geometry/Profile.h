#pragma once

#include "convert/Trips.h"
#include "decoders/SectorDecoder.h"
#include "geometry/TimeAxis.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// The profile under the timeline: a log's speed and GPS height over the clock, drawn at most one
// column a device pixel, so the work of a picture is bounded by its width, not by the fixes.

// What a profile shows.
enum class ProfileValue {
    SpeedKmh, // the logger's speed, km/h
    HeightM,  // the logger's GPS height above sea level, metres
};

// A log's values in time order, at the positions the track's plane uses (TrackPlane), with the
// trips that split them; beside them the dated records a sector log's tests dropped, in time
// order. A record without a position has no value (not a number).
class ProfileSeries
{
  public:
    ProfileSeries() = default;
    ProfileSeries(std::span<const TGpsFix> fixes, const TripAnalysis& analysis,
                  std::span<const DroppedRecord> dropped = {});

    [[nodiscard]] std::size_t Size() const { return m_moments.size(); }
    // Local whole milliseconds of the time-order positions.
    [[nodiscard]] std::span<const std::int64_t> Moments() const { return m_moments; }
    [[nodiscard]] std::span<const float> Values(ProfileValue value) const;
    // Time-order positions [Begin, End) of each trip.
    [[nodiscard]] std::span<const std::pair<std::size_t, std::size_t>> Trips() const
    {
        return m_trips;
    }
    [[nodiscard]] std::span<const std::int64_t> DroppedMoments() const { return m_droppedMoments; }
    [[nodiscard]] std::span<const float> DroppedValues(ProfileValue value) const;

    // The position with a value nearest a moment, at most `slackMs` from it (the earlier one of
    // two as near); nothing in a gap wider than that.
    [[nodiscard]] std::optional<std::size_t> NearestAt(std::int64_t ms, std::int64_t slackMs) const;

  private:
    [[nodiscard]] bool HasValue(std::size_t position) const;

    std::vector<std::int64_t> m_moments;
    std::vector<float> m_speeds;
    std::vector<float> m_heights;
    std::vector<std::pair<std::size_t, std::size_t>> m_trips;
    std::vector<std::int64_t> m_droppedMoments;
    std::vector<float> m_droppedSpeeds;
    std::vector<float> m_droppedHeights;
};

// The values whose moments fall into one column of pixels: the first and last in time order and
// the lowest and highest.
struct ProfileColumn {
    double X = 0; // the column's middle, pixels
    float First = 0;
    float Min = 0;
    float Max = 0;
    float Last = 0;

    friend bool operator==(const ProfileColumn&, const ProfileColumn&) = default;
};

struct ProfileLayer {
    // The line of one trip across the span: its columns in time order, with the trip's last
    // position before the span and first after it, so that the line runs to the edges.
    struct Run {
        std::size_t Trip = 0;
        std::vector<ProfileColumn> Columns;
    };
    // One run a trip the span reaches; a gap between trips is no line.
    std::vector<Run> Runs;
    // The dropped records within the span, one column a cell.
    std::vector<ProfileColumn> Dropped;
    // The lowest and highest value of the runs' columns within the span (of all the runs'
    // columns when none lies within); nothing without a value.
    std::optional<std::pair<float, float>> Range;

    [[nodiscard]] std::size_t ColumnCount() const;
};

// Lays a value of the series out on the axis, one column each `cellPixels` (a device pixel)
// from the axis's left; values that are not finite are left out.
[[nodiscard]] ProfileLayer LayProfile(const ProfileSeries& series, ProfileValue value,
                                      const TimeAxis& axis, double cellPixels);

// The values a band shows from bottom to top, and the step of its grid lines: whole multiples of
// 1, 2 or 5 times a power of ten, at least `shortestSpan` apart and holding the range (and 0 with
// `fromZero`) in at most six steps.
struct ProfileScale {
    double Low = 0;
    double High = 1;
    double Step = 1;

    // The share of the band's height from the bottom of a value (outside [0, 1] beyond it).
    [[nodiscard]] double ShareOf(double value) const { return (value - Low) / (High - Low); }
};
[[nodiscard]] ProfileScale ChooseProfileScale(const std::optional<std::pair<float, float>>& range,
                                              bool fromZero, double shortestSpan);
