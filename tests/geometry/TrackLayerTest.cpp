#include "geometry/TrackLayer.h"

#include "store/TimeBase.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

constexpr double kDay = 45415.0; // 2024-05-03
constexpr double kMetresPerDegree = 111195.0;

TGpsFix FixAt(double seconds, double northM, double eastM)
{
    TGpsFix fix{};
    fix.Time = kDay + seconds / 86400.0;
    fix.Latitude = 35.5 + northM / kMetresPerDegree;
    fix.Longitude = 139.75 + eastM / (kMetresPerDegree * std::cos(35.5 * 3.14159265 / 180));
    fix.FixType = 3;
    return fix;
}

struct Picture {
    std::vector<TGpsFix> Fixes;
    TrackPlane Plane;
    PlaneBox Clip;
    PlaneTransform Transform;

    Picture(std::vector<TGpsFix> fixes, PlaneBox clip)
        : Fixes(std::move(fixes)), Plane(Fixes, AnalyseTrips(Fixes)), Clip(clip),
          Transform(FitTransform(Plane.Bounds(), clip))
    {
    }
    TrackLayer Lay(double cell) const
    {
        const std::vector<TripRange> all = WholeTrips(Plane);
        return LayTrack(Plane, Transform, Clip, cell, all);
    }
};

// A walk north at 1.5 m/s with a slow swing east, then a second trip far east 20 minutes later.
std::vector<TGpsFix> TwoWalks()
{
    std::vector<TGpsFix> fixes;
    fixes.reserve(2900);
    for (int i = 0; i < 2000; ++i)
        fixes.push_back(FixAt(i, 1.5 * i, 40 * std::sin(i / 150.0)));
    for (int i = 0; i < 900; ++i)
        fixes.push_back(FixAt(3200 + i, 2.0 * i, 600 + 0.3 * i));
    return fixes;
}

// The same loop of 300 m walked 40 times.
std::vector<TGpsFix> RetracedLoop()
{
    std::vector<TGpsFix> fixes;
    fixes.reserve(40 * 600);
    for (int i = 0; i < 40 * 600; ++i)
        fixes.push_back(
            FixAt(i, 50 * std::sin(i * 6.2831853 / 600), 50 * std::cos(i * 6.2831853 / 600)));
    return fixes;
}

// A receiver at rest whose fixes scatter 30 m about its place: every fix in a cell of its own.
std::vector<TGpsFix> Scatter()
{
    std::vector<TGpsFix> fixes;
    std::uint32_t seed = 12345;
    const auto random = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
    };
    fixes.reserve(20000);
    for (int i = 0; i < 20000; ++i)
        fixes.push_back(FixAt(i * 0.1, 60 * random(), 60 * random()));
    return fixes;
}

std::size_t CellOf(const PlanePoint& p, const PlaneBox& clip, double cell, std::size_t columns)
{
    return static_cast<std::size_t>((p.Y - clip.MinY) / cell) * columns +
           static_cast<std::size_t>((p.X - clip.MinX) / cell);
}

// Lines join a trip's own fixes, one cell of the picture holds at most one drawn segment and one
// dot, and yet every fix lies on a drawn cell or next to one.
TEST(TrackLayer, DrawsEveryFixsCellAtMostOnce)
{
    struct Case {
        const char* What;
        std::vector<TGpsFix> Fixes;
        PlaneBox Clip;
        double Cell;
    };
    const Case cases[] = {
        {"two walks", TwoWalks(), {10, 10, 310, 210}, 1.0},
        {"two walks at 200 %", TwoWalks(), {10, 10, 310, 210}, 0.5},
        {"retraced loop", RetracedLoop(), {0, 0, 120, 90}, 1.0},
        {"scatter", Scatter(), {0, 0, 60, 40}, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const Picture picture(c.Fixes, c.Clip);
        const TrackLayer layer = picture.Lay(c.Cell);
        const auto columns = static_cast<std::size_t>(std::ceil(c.Clip.Width() / c.Cell)) + 1;
        const auto cells = columns * static_cast<std::size_t>(std::ceil(c.Clip.Height() / c.Cell));
        EXPECT_LE(layer.SegmentCount(), cells);
        EXPECT_LE(layer.Dots.size(), cells);
        // The scatter's steps of tens of metres a tenth of a second are jumps that do not come
        // back as a glitch does; each drawn jump ends in a cell no jump ended in before.
        EXPECT_LE(layer.Jumps.size(), cells);

        // Where the drawing goes, sampled finely; each line point is a fix of its own trip.
        std::set<std::size_t> inked;
        for (const TrackLayer::Line& line : layer.Lines) {
            const auto [begin, end] = picture.Plane.Trips()[line.Trip];
            for (std::size_t i = 0; i < line.Points.size(); ++i) {
                bool own = false;
                for (std::size_t p = begin; p < end && !own; ++p)
                    own = picture.Transform.Map(picture.Plane.Point(p)) == line.Points[i];
                EXPECT_TRUE(own) << "line point " << i << " of trip " << line.Trip;
                if (i == 0)
                    continue;
                const PlanePoint a = line.Points[i - 1];
                const PlanePoint b = line.Points[i];
                for (double t = 0; t <= 1; t += 1.0 / 64)
                    inked.insert(CellOf({a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)}, c.Clip,
                                        c.Cell, columns));
            }
        }
        for (const TrackLayer::Dot& dot : layer.Dots)
            inked.insert(CellOf(dot.At, c.Clip, c.Cell, columns));
        std::size_t missed = 0;
        for (std::size_t p = 0; p < picture.Plane.Size(); ++p) {
            const std::size_t cell =
                CellOf(picture.Transform.Map(picture.Plane.Point(p)), c.Clip, c.Cell, columns);
            bool near = false;
            for (const std::size_t n : {cell, cell - 1, cell + 1, cell - columns, cell + columns})
                near = near || inked.contains(n);
            missed += near ? 0 : 1;
        }
        EXPECT_EQ(missed, 0u);
    }
    // Walked forty times, the loop costs what it costs once.
    const std::vector<TGpsFix> loop = RetracedLoop();
    const Picture once({loop.begin(), loop.begin() + 600}, {0, 0, 120, 90});
    EXPECT_LE(Picture(loop, {0, 0, 120, 90}).Lay(1.0).SegmentCount(),
              once.Lay(1.0).SegmentCount() + 2);
}

// The fixes the track jumps to and straight back from are dots and the line goes on past them; a
// jump the track goes on from breaks the line and is drawn once however often it is made.
TEST(TrackLayer, ExcursionsAreDotsAndJumpsAreDrawnOnce)
{
    // Four times: 50 fixes walking north here, then 50 the same 20 km east. Fix 7 of each walk
    // lies 5 km north of its neighbours, fixes 30 to 32 go 1.6, 5 and 1.6 km north (a spike as a
    // sector log's smoothing spreads it).
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 400; ++i) {
        const bool away = i / 50 % 2 == 1;
        double north = 10.0 * (i % 50);
        if (i % 50 == 7 || i % 50 == 31)
            north = 5000;
        if (i % 50 == 30 || i % 50 == 32)
            north = 1600;
        fixes.push_back(FixAt(i, north, away ? 20000 : 0));
    }
    const Picture picture(fixes, {0, 0, 400, 300});
    // The picture fits the path: the excursions lie outside the bounds, the jumps' ends inside
    // (the plane's Mercator scale is the mean latitude's, true there to a few centimetres).
    EXPECT_NEAR(picture.Plane.Bounds().Height(), 490, 0.05);
    EXPECT_NEAR(picture.Plane.Bounds().Width(), 20000, 5);
    EXPECT_NEAR(picture.Plane.BoundsOf(0, 50)->Height(), 490, 0.05);
    const TrackLayer layer = picture.Lay(1.0);
    // There and back, each once; the first walk here and the first away, the others retrace them.
    ASSERT_EQ(layer.Jumps.size(), 2u);
    EXPECT_NEAR(layer.Jumps[0].To.X - layer.Jumps[0].From.X,
                20000 * picture.Transform.PixelsPerMetre, 1);
    EXPECT_EQ(layer.Lines.size(), 2u);
    const double walkTop = picture.Transform.Map(picture.Plane.Point(49)).Y;
    for (const TrackLayer::Line& line : layer.Lines)
        for (const PlanePoint& p : line.Points)
            EXPECT_GE(p.Y, walkTop - 1e-9);
    // The excursions' fixes lie in two places here and two away.
    ASSERT_EQ(layer.Dots.size(), 4u);
    for (const TrackLayer::Dot& dot : layer.Dots) {
        EXPECT_TRUE(dot.Excursion);
        EXPECT_LT(dot.At.Y, picture.Transform.Map(picture.Plane.Point(30)).Y + 1e-9);
    }
}

TEST(TrackLayer, WindowsCutTheTripsAndClicksFindThem)
{
    const Picture picture(TwoWalks(), {0, 0, 300, 200});
    const auto ms = [](double seconds) {
        return DayCountToMilliseconds(kDay) + static_cast<std::int64_t>(seconds * 1000);
    };
    const MsWindow windows[] = {{ms(3500), ms(3600)}, {ms(100), ms(200)}, {ms(1990), ms(3210)}};
    EXPECT_EQ(
        TripRangesIn(picture.Plane, windows),
        (std::vector<TripRange>{{0, 100, 200}, {0, 1990, 2000}, {1, 2000, 2010}, {1, 2300, 2400}}));
    EXPECT_EQ(WholeTrips(picture.Plane), (std::vector<TripRange>{{0, 0, 2000}, {1, 2000, 2900}}));

    const TrackLayer layer = picture.Lay(1.0);
    const PlanePoint onFirst = picture.Transform.Map(picture.Plane.Point(1000));
    const PlanePoint onSecond = picture.Transform.Map(picture.Plane.Point(2500));
    EXPECT_EQ(TripNear(layer, {onFirst.X + 2, onFirst.Y}, 4), 0u);
    EXPECT_EQ(TripNear(layer, {onSecond.X - 3, onSecond.Y}, 4), 1u);
    EXPECT_EQ(TripNear(layer, {onSecond.X - 30, onSecond.Y}, 4), std::nullopt);
}

} // namespace
