#include "geometry/TrackPlane.h"

#include "store/TimeBase.h"
#include "support/SampleFix.h"

#include <cmath>
#include <gtest/gtest.h>
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

// Two trips 20 minutes apart, each a slow walk north; the second starts far east of the first.
std::vector<TGpsFix> TwoTrips()
{
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 500; ++i)
        fixes.push_back(FixAt(i, 35.5 + i * 1e-5, 139.75 + 1e-6 * (i % 7)));
    for (int i = 0; i < 300; ++i)
        fixes.push_back(FixAt(1700 + i, 35.5 + i * 2e-5, 139.8));
    return fixes;
}

TEST(TrackPlane, DecimatedLinesStopAtTripsAndKeepEveryBend)
{
    const std::vector<TGpsFix> fixes = TwoTrips();
    const TrackPlane path(fixes, AnalyseTrips(fixes));
    const PlaneTransform transform = FitTransform(path.Bounds(), {10, 10, 310, 210});
    for (const PlanePoint corner : {PlanePoint{path.Bounds().MinX, path.Bounds().MinY},
                                    PlanePoint{path.Bounds().MaxX, path.Bounds().MaxY}})
        EXPECT_TRUE(PlaneBox({9.999, 9.999, 310.001, 210.001}).Contains(transform.Map(corner)));
    for (const double step : {1.0, 0.5}) {
        SCOPED_TRACE(step);
        const DecimatedTrack lines = Decimate(path, transform, step);
        ASSERT_EQ(lines.Lines.size(), 2u);
        for (std::size_t t = 0; t < 2; ++t) {
            const auto [begin, end] = path.Trips()[t];
            const std::vector<std::size_t>& kept = lines.Kept[t];
            EXPECT_EQ(kept.front(), begin);
            EXPECT_EQ(kept.back(), end - 1);
            EXPECT_LT(kept.size(), end - begin);
            // Apart by the step, and never more than a step from any fix dropped between them.
            for (std::size_t k = 1; k + 1 < kept.size(); ++k) {
                EXPECT_GE(Length(lines.Lines[t][k - 1], lines.Lines[t][k]), step);
                for (std::size_t i = kept[k - 1] + 1; i < kept[k]; ++i)
                    EXPECT_LT(Length(lines.Lines[t][k - 1], transform.Map(path.Point(i))), step);
            }
        }
    }
}

TEST(TrackPlane, StrongPartRunsFromTheWindowsFirstToItsLastFix)
{
    const std::vector<TGpsFix> fixes = TwoTrips();
    const TrackPlane path(fixes, AnalyseTrips(fixes));
    const PlaneTransform transform = FitTransform(path.Bounds(), {0, 0, 300, 200});
    const DecimatedTrack lines = Decimate(path, transform, 1.0);
    // 00:02:00.000 to 00:05:00.000 of the day: fixes 120 to 299 of the first trip.
    const auto positions = path.PositionsIn(
        {DayCountToMilliseconds(kDay) + 120000, DayCountToMilliseconds(kDay) + 300000});
    EXPECT_EQ(positions, std::make_pair(std::size_t{120}, std::size_t{300}));
    const PlaneLine part = StrongPart(path, transform, lines.Kept[0], lines.Lines[0], positions);
    ASSERT_GE(part.size(), 2u);
    EXPECT_EQ(part.front(), transform.Map(path.Point(120)));
    EXPECT_EQ(part.back(), transform.Map(path.Point(299)));
    EXPECT_TRUE(StrongPart(path, transform, lines.Kept[0], lines.Lines[0], {300, 300}).empty());
}

} // namespace
