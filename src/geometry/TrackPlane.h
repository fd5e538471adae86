#pragma once

#include "convert/TimeWindow.h"
#include "convert/Trips.h"
#include "geometry/Plane.h"
#include "store/GpsFix.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// A log's positions on a local plane: equirectangular about the mean latitude, X metres east and
// Y metres north, so both axes have the same scale there. Kept in time order, beside each fix's
// moment, with the trips that split them.
class TrackPlane
{
  public:
    TrackPlane() = default;
    TrackPlane(std::span<const TGpsFix> fixes, const TripAnalysis& analysis);

    [[nodiscard]] std::size_t Size() const { return m_points.size(); }
    // Metres east and north of the reference; not finite for a fix without a position.
    [[nodiscard]] const PlanePoint& Point(std::size_t position) const { return m_points[position]; }
    // The smallest box around every finite point; all 0 without one.
    [[nodiscard]] const PlaneBox& Bounds() const { return m_bounds; }
    [[nodiscard]] bool HasPoints() const { return m_anyPoint; }
    // Time-order positions [Begin, End) of each trip.
    [[nodiscard]] const std::vector<std::pair<std::size_t, std::size_t>>& Trips() const
    {
        return m_trips;
    }
    // The positions [first, last) of the fixes with Start <= moment < End.
    [[nodiscard]] std::pair<std::size_t, std::size_t> PositionsIn(const MsWindow& window) const;
    // The first and last finite point in time order (the log's start and end).
    [[nodiscard]] std::optional<PlanePoint> FirstPoint() const;
    [[nodiscard]] std::optional<PlanePoint> LastPoint() const;

  private:
    std::vector<PlanePoint> m_points;
    std::vector<std::int64_t> m_moments;
    std::vector<std::pair<std::size_t, std::size_t>> m_trips;
    PlaneBox m_bounds;
    bool m_anyPoint = false;
};

// Maps the plane to a picture's pixels: north up, one scale for both axes.
struct PlaneTransform {
    double PixelsPerMetre = 1;
    PlanePoint Origin; // the pixel of the plane's (0, 0)

    [[nodiscard]] PlanePoint Map(const PlanePoint& p) const
    {
        return {Origin.X + p.X * PixelsPerMetre, Origin.Y - p.Y * PixelsPerMetre};
    }
};

// The largest scale that shows the bounds (metres) inside the target (pixels), centred. A single
// point (or a straight north-south or east-west line) gets the scale of `fallbackMetres` across
// the target.
[[nodiscard]] PlaneTransform FitTransform(const PlaneBox& bounds, const PlaneBox& target,
                                          double fallbackMetres = 1000.0);

// The lines a picture draws: each trip's points at least a minimum pixel step apart (its first
// and last point always kept), with the time-order position of every point kept.
struct DecimatedTrack {
    std::vector<PlaneLine> Lines;                            // one per trip with points
    std::vector<std::vector<std::size_t>> Kept;              // positions of each line's points
    std::vector<std::pair<std::size_t, std::size_t>> Ranges; // each line's trip positions
    [[nodiscard]] std::size_t PointCount() const;
};

[[nodiscard]] DecimatedTrack Decimate(const TrackPlane& plane, const PlaneTransform& transform,
                                      double minStepPixels);

// The part of one line inside the positions [first, last): the exact points at both ends and the
// kept points between them. Empty when the line has no fix there.
[[nodiscard]] PlaneLine StrongPart(const TrackPlane& plane, const PlaneTransform& transform,
                                   const std::vector<std::size_t>& kept, const PlaneLine& line,
                                   std::pair<std::size_t, std::size_t> positions);
