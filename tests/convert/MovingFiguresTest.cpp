// Moving time, moving speed and the climbs of trips, against figures worked out by hand.
#include "convert/MovingFigures.h"

#include "support/SampleFix.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

constexpr std::int64_t kBase = 3921120000000; // 2024-04-01 08:00:00.000 local
constexpr float kNone = NAN;

// Fixes a second apart at one place, each with a speed and a height.
std::vector<TGpsFix> Fixes(const std::vector<float>& speeds, const std::vector<float>& heights,
                           std::int64_t stepMs = 1000)
{
    std::vector<TGpsFix> fixes;
    for (std::size_t i = 0; i < std::max(speeds.size(), heights.size()); ++i) {
        TGpsFix fix = t2ntest::SampleFix(kBase + static_cast<std::int64_t>(i) * stepMs, 35, 139);
        fix.Speed = i < speeds.size() ? speeds[i] : kNone;
        fix.ExtraValue = i < heights.size() ? heights[i] : kNone;
        fixes.push_back(fix);
    }
    return fixes;
}

MovingFigures One(const std::vector<TGpsFix>& fixes)
{
    const TripAnalysis trips = AnalyseTrips(fixes);
    const std::vector<MovingFigures> figures = MeasureMoving(fixes, trips);
    EXPECT_EQ(figures.size(), trips.Trips.size());
    return figures.empty() ? MovingFigures{} : figures.front();
}

TEST(MovingFigures, ClimbsPassAHysteresisOfFiveMetres)
{
    struct Case {
        std::vector<float> heights;
        std::optional<double> ascent, descent;
    };
    const Case cases[] = {
        {{}, std::nullopt, std::nullopt},
        {{kNone, kNone}, std::nullopt, std::nullopt},
        {{100}, 0, 0},
        {{100, 102, 98, 101, 99}, 0, 0},  // noise within 5 m: nothing
        {{100, 104.9f}, 0, 0},            // just short of the hysteresis
        {{100, 105}, 5, 0},               // the hysteresis itself counts
        {{100, 97, 103}, 6, 0},           // from the lowest point before the first turn
        {{100, 110, 106, 112}, 12, 0},    // a dip of 4 m on the way up is noise
        {{100, 110, 104, 108}, 10, 6},    // a fall of 6 m turns; the rise of 4 after it does not
        {{100, 110, 104, 110}, 16, 6},    // it does once it reaches 5 m
        {{50, kNone, 40, 44, 30}, 0, 20}, // a fix without a height is passed over
        {{0, -10, -4, -20, 0}, 26, 26}, // below sea level alike: fall 10, rise 6, fall 16, rise 20
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.heights));
        const MovingFigures f = One(Fixes({}, c.heights));
        ASSERT_EQ(f.AscentM.has_value(), c.ascent.has_value());
        if (c.ascent) {
            EXPECT_NEAR(*f.AscentM, *c.ascent, 1e-4);
            EXPECT_NEAR(*f.DescentM, *c.descent, 1e-4);
        }
    }
}

TEST(MovingFigures, MovingStepsAboveOneKmh)
{
    struct Case {
        std::vector<float> speeds; // a second apart
        std::int64_t movingMs;
        std::optional<double> avgKmh;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, std::nullopt},
        {{0, 5, 5}, 2000, (2.5 + 5) / 2},  // a step's speed is the mean of its ends
        {{1, 1, 1.5f}, 1000, 1.25},        // 1 km/h itself is not moving
        {{0.5f, 1.5f, 2, 0}, 1000, 1.75},  // the means: 1, 1.75, 1
        {{10, kNone, 20}, 2000, 15},       // the finite end alone
        {{36, 36, 0, 0, 0, 18}, 3000, 21}, // a stop between: steps of 36, 18 and 9 km/h
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.speeds));
        const MovingFigures f = One(Fixes(c.speeds, {}));
        EXPECT_EQ(f.MovingMs, c.movingMs);
        ASSERT_EQ(f.AvgMovingKmh.has_value(), c.avgKmh.has_value());
        if (c.avgKmh) {
            EXPECT_NEAR(*f.AvgMovingKmh, *c.avgKmh, 1e-5);
        }
    }
}

TEST(MovingFigures, StepsWithoutSpeedsTakeTheirLengthAndTripsStayApart)
{
    // 0.001 degrees north (111.195 m) in 10 s: 40.03 km/h; the same again after a pause longer
    // than the gap, which starts a second trip and adds no moving time.
    std::vector<TGpsFix> fixes = Fixes({kNone, kNone, kNone, kNone}, {}, 10000);
    fixes[1].Latitude += 0.001;
    for (std::size_t i = 2; i < 4; ++i)
        fixes[i].Time += 3600.0 / 86400;
    fixes[3].Latitude += 0.001;
    // A record without a fix between adds nothing.
    TGpsFix noFix = fixes[0];
    noFix.FixType = kNoFixType;
    noFix.Time += 5.0 / 86400;
    noFix.Speed = 200;
    fixes.insert(fixes.begin() + 1, noFix);
    const TripAnalysis trips = AnalyseTrips(fixes);
    const std::vector<MovingFigures> figures = MeasureMoving(fixes, trips);
    ASSERT_EQ(figures.size(), 2u);
    for (const MovingFigures& f : figures) {
        EXPECT_EQ(f.MovingMs, 10000);
        EXPECT_NEAR(*f.AvgMovingKmh, 111.19508 / 10 * 3.6, 1e-4);
    }
    const MovingFigures all = AddMoving(figures);
    EXPECT_EQ(all.MovingMs, 20000);
    EXPECT_NEAR(*all.AvgMovingKmh, 111.19508 / 10 * 3.6, 1e-4);
    EXPECT_FALSE(all.AscentM);
}

TEST(MovingFigures, TheLogAddsItsTrips)
{
    const MovingFigures trips[] = {
        {.MovingMs = 3000, .AvgMovingKmh = 10, .AscentM = 5, .DescentM = 1},
        {.MovingMs = 1000, .AvgMovingKmh = 30, .AscentM = std::nullopt, .DescentM = std::nullopt},
        {.MovingMs = 0, .AvgMovingKmh = std::nullopt, .AscentM = 2, .DescentM = 7},
    };
    const MovingFigures all = AddMoving(trips);
    EXPECT_EQ(all.MovingMs, 4000);
    EXPECT_DOUBLE_EQ(*all.AvgMovingKmh, 15); // weighted by moving time
    EXPECT_DOUBLE_EQ(*all.AscentM, 7);
    EXPECT_DOUBLE_EQ(*all.DescentM, 8);
    EXPECT_FALSE(AddMoving({}).AvgMovingKmh);
}

// A receiver's glitch (a fix 50 km away and straight back, its height 900 m) is no movement and
// no climb: the trip's figures are those of the fixes on its path.
TEST(MovingFigures, GlitchesAreNeitherMovementNorClimb)
{
    std::vector<TGpsFix> fixes = Fixes({0, 0, 0, 0, 0, 0}, {100, 100, 100, 100, 100, 100});
    const MovingFigures still = One(fixes);
    fixes[3].Latitude += 0.45; // 50 km north for one second
    fixes[3].ExtraValue = 900;
    fixes[3].Speed = 180000;
    const MovingFigures glitch = One(fixes);
    EXPECT_EQ(glitch.MovingMs, still.MovingMs);
    EXPECT_EQ(glitch.AscentM, still.AscentM);
    EXPECT_EQ(glitch.DescentM, still.DescentM);
    EXPECT_EQ(glitch.MovingMs, 0);
}

} // namespace
