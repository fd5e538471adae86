#include "geometry/TrackPlane.h"

#include "store/TimeBase.h"
#include "support/SampleFix.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace t2ntest;

constexpr double kDay = 45415.0; // 2024-05-03

TGpsFix FixAt(std::int64_t seconds, double latitude, double longitude)
{
    return SampleFix(DayCountToMilliseconds(kDay) + seconds * kMsPerSecond, latitude, longitude);
}

double Length(const PlanePoint& from, const PlanePoint& to)
{
    return std::hypot(to.X - from.X, to.Y - from.Y);
}

// Both axes have the scale of the ground at the track's latitude, across the antimeridian too.
TEST(TrackPlane, PlaneKeepsGroundDistancesOnBothAxes)
{
    struct Case {
        double Latitude, Longitude, EastDegrees;
    };
    for (const Case& c :
         {Case{35.5, 139.75, 0.01}, Case{-60.0, 10.0, 0.02}, Case{20.0, 179.995, 0.01}}) {
        SCOPED_TRACE(c.Latitude);
        const double east = c.Longitude + c.EastDegrees > 180 ? c.Longitude + c.EastDegrees - 360
                                                              : c.Longitude + c.EastDegrees;
        const std::vector<TGpsFix> fixes{FixAt(0, c.Latitude, c.Longitude),
                                         FixAt(1, c.Latitude, east),
                                         FixAt(2, c.Latitude + 0.01, east)};
        const TrackPlane path(fixes, AnalyseTrips(fixes));
        const double eastM = Length(path.Point(0), path.Point(1));
        const double northM = Length(path.Point(1), path.Point(2));
        EXPECT_NEAR(eastM, GreatCircleM(c.Latitude, c.Longitude, c.Latitude, east), eastM * 1e-3);
        EXPECT_NEAR(northM, GreatCircleM(c.Latitude, east, c.Latitude + 0.01, east), 0.5);
        EXPECT_GT(path.Point(1).X, path.Point(0).X); // east is right
        EXPECT_GT(path.Point(2).Y, path.Point(1).Y); // north is up
    }
}

// Fitting shows the bounds whole and centred; the wheel's zoom keeps the point under the pointer
// where it is, a drag moves the plane with the pointer, and a change of size keeps the centre.
TEST(TrackPlane, ViewsFitZoomAndPan)
{
    const PlaneBox bounds{-500, -200, 1500, 800}; // metres
    const PlaneBox target{10, 10, 410, 310};      // pixels
    const PlaneView fit = FitView(bounds, target);
    EXPECT_DOUBLE_EQ(fit.PixelsPerMetre, 0.2);
    const PlaneTransform shown = fit.Transform(target);
    EXPECT_EQ(shown.Map({-500, 300}), (PlanePoint{10, 160}));
    EXPECT_EQ(shown.Map({1500, 300}), (PlanePoint{410, 160}));
    EXPECT_NEAR(shown.Unmap(shown.Map({123, -45})).X, 123, 1e-9);
    EXPECT_NEAR(shown.Unmap(shown.Map({123, -45})).Y, -45, 1e-9);

    for (const double factor : {2.0, 0.25, 10.0}) {
        SCOPED_TRACE(factor);
        const PlanePoint pointer{300, 50};
        const PlaneView zoomed = ZoomView(fit, target, pointer, factor);
        EXPECT_DOUBLE_EQ(zoomed.PixelsPerMetre, 0.2 * factor);
        const PlanePoint under = shown.Unmap(pointer);
        const PlanePoint after = zoomed.Transform(target).Map(under);
        EXPECT_NEAR(after.X, pointer.X, 1e-9);
        EXPECT_NEAR(after.Y, pointer.Y, 1e-9);
    }
    const PlaneView panned = PanView(fit, 40, -30);
    const PlanePoint moved = panned.Transform(target).Map({0, 0});
    EXPECT_NEAR(moved.X, shown.Map({0, 0}).X + 40, 1e-9);
    EXPECT_NEAR(moved.Y, shown.Map({0, 0}).Y - 30, 1e-9);
    const PlaneBox larger{0, 0, 800, 600};
    EXPECT_NEAR(fit.Transform(larger).Map(fit.Centre).X, 400, 1e-9);
    EXPECT_NEAR(fit.Transform(larger).Map(fit.Centre).Y, 300, 1e-9);
}

// The scale bar measures true ground metres east-west on its row, wherever the view looks: the
// plane keeps the scale of the mean latitude, which is not the ground's far north or south of it.
// The bar's ends go back to the globe through the plane's Mercator frame.
TEST(TrackPlane, ScaleBarIsTrueOnTheGround)
{
    // A log from 30 to 50 degrees north along one meridian: its mean latitude is 40.
    std::vector<TGpsFix> fixes;
    for (int i = 0; i <= 200; ++i)
        fixes.push_back(FixAt(i, 30.0 + i * 0.1, 135.0));
    const TrackPlane plane(fixes, AnalyseTrips(fixes));
    const PlaneBox target{0, 0, 400, 300};
    const PlaneView whole = FitView(plane.Bounds(), target);
    for (const double latitude : {30.0, 40.0, 50.0}) {
        for (const double zoom : {1.0, 40.0, 3000.0}) {
            SCOPED_TRACE(std::to_string(latitude) + " x" + std::to_string(zoom));
            const PlanePoint centre{0,
                                    plane.Point(static_cast<std::size_t>((latitude - 30) * 10)).Y};
            const PlaneTransform transform =
                PlaneView{centre, whole.PixelsPerMetre * zoom}.Transform(target);
            const ScaleBar bar = ChooseScaleBar(plane, transform, 150, 120);
            EXPECT_LE(bar.Pixels, 120);
            EXPECT_GT(bar.Pixels, 120 / 2.5 - 1e-9);
            const double log = std::log10(bar.Metres);
            const double mantissa = bar.Metres / std::pow(10, std::floor(log + 1e-9));
            EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                        std::abs(mantissa - 5) < 1e-9)
                << bar.Metres;
            // The bar's two ends, back on the globe, lie its length apart.
            const PlanePoint west = transform.Unmap({100, 150});
            const PlanePoint east = transform.Unmap({100 + bar.Pixels, 150});
            const LatLon westAt = MercatorLatLon(plane.Frame().ToUnit(west));
            const LatLon eastAt = MercatorLatLon(plane.Frame().ToUnit(east));
            EXPECT_NEAR(westAt.LatDeg, eastAt.LatDeg, 1e-9);
            const double ground =
                GreatCircleM(westAt.LatDeg, westAt.LonDeg, eastAt.LatDeg, eastAt.LonDeg);
            EXPECT_NEAR(ground, bar.Metres, bar.Metres * 1e-3);
        }
    }
}

} // namespace
