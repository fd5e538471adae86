#pragma once

#include "convert/TimeWindow.h"
#include "convert/Trips.h"
#include "geometry/Plane.h"
#include "geometry/WebMercator.h"
#include "store/GpsFix.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// A log's positions on a local plane: Web Mercator scaled to metres at the mean latitude, X metres
// east and Y metres north, so both axes have the ground's scale there and a map's tiles lie on it
// unbent. Kept in time order, beside each fix's moment and its step (the analysis's, which must
// hold the figures), with the trips that split them.
class TrackPlane
{
  public:
    TrackPlane() = default;
    TrackPlane(std::span<const TGpsFix> fixes, const TripAnalysis& analysis);

    [[nodiscard]] std::size_t Size() const { return m_points.size(); }
    // Metres east and north of the reference; not finite for a fix without a position.
    [[nodiscard]] const PlanePoint& Point(std::size_t position) const { return m_points[position]; }
    // The point of a position in degrees, laid out as the fixes' points are: a position between two
    // fixes (in proportion, as a photo is placed) lies on the line between their points.
    [[nodiscard]] PlanePoint PointOf(double latDeg, double lonDeg) const;
    // What the fix of a position is to its trip's path (Path for a plane without marks).
    [[nodiscard]] TrackStep Step(std::size_t position) const
    {
        return m_steps.empty() ? TrackStep::Path : m_steps[position];
    }
    // The smallest box around every finite point but an excursion's; all 0 without one.
    [[nodiscard]] const PlaneBox& Bounds() const { return m_bounds; }
    [[nodiscard]] bool HasPoints() const { return m_anyPoint; }
    // Time-order positions [Begin, End) of each trip.
    [[nodiscard]] const std::vector<std::pair<std::size_t, std::size_t>>& Trips() const
    {
        return m_trips;
    }
    // The moment of a position: local whole milliseconds.
    [[nodiscard]] std::int64_t Moment(std::size_t position) const { return m_moments[position]; }
    // The positions [first, last) of the fixes with Start <= moment < End.
    [[nodiscard]] std::pair<std::size_t, std::size_t> PositionsIn(const MsWindow& window) const;
    // The smallest box around the finite points of the positions [first, last) but an excursion's;
    // nothing without one.
    [[nodiscard]] std::optional<PlaneBox> BoundsOf(std::size_t first, std::size_t last) const;
    // The ground's metres in one metre of the plane at a northing, east or north alike: the plane
    // keeps the scale of the mean latitude, the ground's shrinks towards the poles.
    [[nodiscard]] double EastScaleAt(double northM) const;
    // Where the plane lies on the Mercator world.
    [[nodiscard]] const MercatorFrame& Frame() const { return m_frame; }
    // The first and last finite point of the positions [first, last) in time order.
    [[nodiscard]] std::optional<PlanePoint> FirstPointIn(std::size_t first, std::size_t last) const;
    [[nodiscard]] std::optional<PlanePoint> LastPointIn(std::size_t first, std::size_t last) const;

  private:
    std::vector<PlanePoint> m_points;
    std::vector<std::int64_t> m_moments;
    std::vector<TrackStep> m_steps;
    std::vector<std::pair<std::size_t, std::size_t>> m_trips;
    PlaneBox m_bounds;
    bool m_anyPoint = false;
    double m_referenceLatitude = 0;
    double m_referenceLongitude = 0;
    MercatorFrame m_frame;
};

// Maps the plane to a picture's pixels: north up, one scale for both axes.
struct PlaneTransform {
    double PixelsPerMetre = 1;
    PlanePoint Origin; // the pixel of the plane's (0, 0)

    [[nodiscard]] PlanePoint Map(const PlanePoint& p) const
    {
        return {Origin.X + p.X * PixelsPerMetre, Origin.Y - p.Y * PixelsPerMetre};
    }
    // The plane's point under a pixel.
    [[nodiscard]] PlanePoint Unmap(const PlanePoint& pixel) const
    {
        return {(pixel.X - Origin.X) / PixelsPerMetre, (Origin.Y - pixel.Y) / PixelsPerMetre};
    }
};

// What a picture shows of the plane: the point at its middle and the scale. It keeps both when
// the picture changes its size.
struct PlaneView {
    PlanePoint Centre;
    double PixelsPerMetre = 1;

    // The transform that puts the centre in the middle of the target (pixels).
    [[nodiscard]] PlaneTransform Transform(const PlaneBox& target) const;
};

// The largest scale that shows the bounds (metres) inside the target (pixels), centred. A single
// point (or a straight north-south or east-west line) gets the scale of `fallbackMetres` across
// the target.
[[nodiscard]] PlaneView FitView(const PlaneBox& bounds, const PlaneBox& target,
                                double fallbackMetres = 1000.0);
[[nodiscard]] PlaneTransform FitTransform(const PlaneBox& bounds, const PlaneBox& target,
                                          double fallbackMetres = 1000.0);
// The view scaled by `factor` about a pixel of the target: the plane's point under it stays.
[[nodiscard]] PlaneView ZoomView(const PlaneView& view, const PlaneBox& target,
                                 const PlanePoint& pixel, double factor);
// The view moved with the pointer: what lay under a pixel lies `dx`, `dy` pixels further on.
[[nodiscard]] PlaneView PanView(const PlaneView& view, double dxPixels, double dyPixels);

// A scale bar: a length on the ground and the pixels it takes.
struct ScaleBar {
    double Metres = 0;
    double Pixels = 0;
};
// The longest bar of 1, 2 or 5 times a power of ten metres that takes at most `maxPixels`, true
// on the ground at the latitude of the pixel row `atY`.
[[nodiscard]] ScaleBar ChooseScaleBar(const TrackPlane& plane, const PlaneTransform& transform,
                                      double atY, double maxPixels);
