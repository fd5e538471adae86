#include "geometry/TrackPlane.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kNoPoint = std::numeric_limits<double>::quiet_NaN();

// The mean latitude and the first longitude of the fixes with a position.
struct Reference {
    double Latitude = 0;
    double Longitude = 0;
};

Reference ReferenceOf(std::span<const TGpsFix> fixes, const TripAnalysis& analysis)
{
    Reference ref;
    double latitudeSum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        if (!HasPosition(fix))
            continue;
        if (count == 0)
            ref.Longitude = fix.Longitude;
        latitudeSum += fix.Latitude;
        ++count;
    }
    if (count > 0)
        ref.Latitude = latitudeSum / static_cast<double>(count);
    return ref;
}

} // namespace

TrackPlane::TrackPlane(std::span<const TGpsFix> fixes, const TripAnalysis& analysis)
{
    const Reference ref = ReferenceOf(fixes, analysis);
    m_referenceLatitude = ref.Latitude;
    m_referenceLongitude = ref.Longitude;
    m_steps = analysis.Steps;
    m_frame = FrameAt(m_referenceLatitude, m_referenceLongitude, kTripEarthRadiusM);
    m_points.reserve(fixes.size());
    m_moments.reserve(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        m_moments.push_back(DayCountToMilliseconds(fix.Time));
        // A record without a position (a stale one, from a logger without a fix) is no point.
        if (!HasPosition(fix)) {
            m_points.push_back({kNoPoint, kNoPoint});
            continue;
        }
        const PlanePoint p = PointOf(fix.Latitude, fix.Longitude);
        m_points.push_back(p);
        if (Step(i) == TrackStep::Excursion) // a glitch: the picture fits the path
            continue;
        if (!m_anyPoint)
            m_bounds = {p.X, p.Y, p.X, p.Y};
        m_bounds = {std::min(m_bounds.MinX, p.X), std::min(m_bounds.MinY, p.Y),
                    std::max(m_bounds.MaxX, p.X), std::max(m_bounds.MaxY, p.Y)};
        m_anyPoint = true;
    }
    m_trips.reserve(analysis.Trips.size());
    for (const Trip& trip : analysis.Trips)
        m_trips.emplace_back(trip.Begin, trip.End);
}

PlanePoint TrackPlane::PointOf(double latDeg, double lonDeg) const
{
    // Longitudes are taken within half a turn of the reference, so a track across the
    // antimeridian stays in one piece.
    const double east = lonDeg - 360.0 * std::round((lonDeg - m_referenceLongitude) / 360.0);
    return m_frame.ToPlane(MercatorUnit(latDeg, east));
}

std::pair<std::size_t, std::size_t> TrackPlane::PositionsIn(const MsWindow& window) const
{
    const auto first = std::lower_bound(m_moments.begin(), m_moments.end(), window.Start);
    const auto last = std::lower_bound(first, m_moments.end(), std::max(window.Start, window.End));
    return {static_cast<std::size_t>(first - m_moments.begin()),
            static_cast<std::size_t>(last - m_moments.begin())};
}

std::optional<PlanePoint> TrackPlane::FirstPointIn(std::size_t first, std::size_t last) const
{
    for (std::size_t i = first; i < std::min(last, m_points.size()); ++i)
        if (IsFinite(m_points[i]))
            return m_points[i];
    return std::nullopt;
}

std::optional<PlanePoint> TrackPlane::LastPointIn(std::size_t first, std::size_t last) const
{
    for (std::size_t i = std::min(last, m_points.size()); i > first; --i)
        if (IsFinite(m_points[i - 1]))
            return m_points[i - 1];
    return std::nullopt;
}

std::optional<PlaneBox> TrackPlane::BoundsOf(std::size_t first, std::size_t last) const
{
    std::optional<PlaneBox> box;
    for (std::size_t i = first; i < std::min(last, m_points.size()); ++i) {
        const PlanePoint& p = m_points[i];
        if (!IsFinite(p) || Step(i) == TrackStep::Excursion)
            continue;
        if (!box)
            box = PlaneBox{p.X, p.Y, p.X, p.Y};
        box = PlaneBox{std::min(box->MinX, p.X), std::min(box->MinY, p.Y), std::max(box->MaxX, p.X),
                       std::max(box->MaxY, p.Y)};
    }
    return box;
}

double TrackPlane::EastScaleAt(double northM) const
{
    const double latitude = MercatorLatLon(m_frame.ToUnit({0, northM})).LatDeg;
    return std::cos(latitude * kRadiansPerDegree) /
           std::cos(m_referenceLatitude * kRadiansPerDegree);
}

PlaneTransform PlaneView::Transform(const PlaneBox& target) const
{
    const PlanePoint middle = target.Centre();
    return {PixelsPerMetre,
            {middle.X - Centre.X * PixelsPerMetre, middle.Y + Centre.Y * PixelsPerMetre}};
}

PlaneView FitView(const PlaneBox& bounds, const PlaneBox& target, double fallbackMetres)
{
    const double fitX = bounds.Width() > 0 ? target.Width() / bounds.Width() : 0;
    const double fitY = bounds.Height() > 0 ? target.Height() / bounds.Height() : 0;
    double scale = std::min(target.Width(), target.Height()) / fallbackMetres;
    if (fitX > 0 && fitY > 0)
        scale = std::min(fitX, fitY);
    else if (fitX > 0 || fitY > 0) // a straight line along one axis
        scale = std::max(fitX, fitY);
    return {bounds.Centre(), scale};
}

PlaneTransform FitTransform(const PlaneBox& bounds, const PlaneBox& target, double fallbackMetres)
{
    return FitView(bounds, target, fallbackMetres).Transform(target);
}

PlaneView ZoomView(const PlaneView& view, const PlaneBox& target, const PlanePoint& pixel,
                   double factor)
{
    // The point under the pixel keeps its place: the centre moves towards it by the share the
    // scale grew.
    const PlanePoint under = view.Transform(target).Unmap(pixel);
    const double keep = 1.0 / factor;
    return {
        {under.X + (view.Centre.X - under.X) * keep, under.Y + (view.Centre.Y - under.Y) * keep},
        view.PixelsPerMetre * factor};
}

PlaneView PanView(const PlaneView& view, double dxPixels, double dyPixels)
{
    return {{view.Centre.X - dxPixels / view.PixelsPerMetre,
             view.Centre.Y + dyPixels / view.PixelsPerMetre},
            view.PixelsPerMetre};
}

ScaleBar ChooseScaleBar(const TrackPlane& plane, const PlaneTransform& transform, double atY,
                        double maxPixels)
{
    // Ground metres a pixel spans east-west on that row.
    const double northM = transform.Unmap({0, atY}).Y;
    const double metresPerPixel = plane.EastScaleAt(northM) / transform.PixelsPerMetre;
    const double most = maxPixels * metresPerPixel;
    if (!(most > 0) || !std::isfinite(most))
        return {};
    const double power = std::pow(10.0, std::floor(std::log10(most)));
    double metres = power;
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= most) {
            metres = step * power;
            break;
        }
    }
    return {metres, metres / metresPerPixel};
}
