#pragma once

#include "convert/TimeWindow.h"
#include "geometry/TrackPlane.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

// What a track picture draws of some trips at one transform, bounded by its pixels and not by
// the fixes: the work is at most one line segment and one dot for each cell of the picture (a
// device pixel), however many fixes fall there.

// The part of one trip a layer draws: its number (from 0) and time-order positions [Begin, End).
struct TripRange {
    std::size_t Trip = 0;
    std::size_t Begin = 0;
    std::size_t End = 0;

    friend bool operator==(const TripRange&, const TripRange&) = default;
};

// Every trip whole.
[[nodiscard]] std::vector<TripRange> WholeTrips(const TrackPlane& plane);
// The parts of the trips that lie inside any of the windows, in time order.
[[nodiscard]] std::vector<TripRange> TripRangesIn(const TrackPlane& plane,
                                                  std::span<const MsWindow> windows);

struct TrackLayer {
    struct Line {
        std::size_t Trip;
        PlaneLine Points; // pixels
    };
    struct Dot {
        std::size_t Trip;
        PlanePoint At;
        bool Excursion = false; // a fix of an excursion, not one alone
    };
    struct Jump {
        std::size_t Trip;
        PlanePoint From;
        PlanePoint To;
    };
    // The trips' lines: a segment is drawn only where it reaches a cell no drawn segment or dot
    // reached before, so a line retraced, or wandering inside one cell, is drawn once.
    std::vector<Line> Lines;
    // A fix that is alone in its trip or its part, and the fixes of an excursion: a few fixes
    // the track jumps to and straight back from (the plane's steps). At most one a cell.
    std::vector<Dot> Dots;
    // The jumps the track goes on from, each pair of cells joined once.
    std::vector<Jump> Jumps;

    [[nodiscard]] std::size_t PointCount() const;
    [[nodiscard]] std::size_t SegmentCount() const;
};

// Lays the ranges' fixes out in pixels: `clip` is the picture's box (nothing outside it is
// drawn) and `cellPixels` the size of a device pixel.
[[nodiscard]] TrackLayer LayTrack(const TrackPlane& plane, const PlaneTransform& transform,
                                  const PlaneBox& clip, double cellPixels,
                                  std::span<const TripRange> ranges);

// The trip whose line or dot lies nearest a pixel, within `slackPixels`; nothing when none does.
[[nodiscard]] std::optional<std::size_t> TripNear(const TrackLayer& layer, const PlanePoint& pixel,
                                                  double slackPixels);
