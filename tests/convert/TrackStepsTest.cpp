#include "convert/TrackSteps.h"

#include "convert/Trips.h"
#include "support/SampleFix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr double kMetresPerDegree = 111195.08; // on the trips' sphere
constexpr double kLatDeg = 35.5;
const double kCosLat = std::cos(kLatDeg * 3.14159265358979 / 180);

// A point `northM` and `eastM` metres from 35.5 N 139.75 E at a moment in milliseconds.
PathPoint At(std::int64_t ms, double northM, double eastM = 0)
{
    return MakePathPoint(kLatDeg + northM / kMetresPerDegree,
                         139.75 + eastM / (kMetresPerDegree * kCosLat), ms);
}

// SplitMix64, so the noise is the same on every system.
class Noise
{
  public:
    // Uniform in [-half, half).
    double Next(double half)
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        z ^= z >> 31;
        return half * (2 * static_cast<double>(z >> 11) * 0x1.0p-53 - 1);
    }

  private:
    std::uint64_t m_state = 29;
};

std::string Marks(const std::vector<PathPoint>& points)
{
    std::vector<TrackStep> steps(points.size(), TrackStep::None);
    MarkTrackSteps(points, steps);
    std::string marks;
    for (const TrackStep step : steps)
        marks += "PEJ-"[static_cast<int>(step)];
    return marks;
}

double PlainM(const std::vector<PathPoint>& points)
{
    double sum = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        sum += StepM(points[i - 1], points[i]);
    return sum;
}

double PathM(const std::vector<PathPoint>& points)
{
    std::vector<TrackStep> steps(points.size(), TrackStep::None);
    MarkTrackSteps(points, steps);
    return PathLengthM(points, steps);
}

// A walk north at `metresPerFix` a fix, `msPerFix` apart, with a fix replaced by `away`.
std::vector<PathPoint> Walk(int fixes, std::int64_t msPerFix, double metresPerFix,
                            const std::vector<std::pair<int, double>>& away = {})
{
    std::vector<PathPoint> points;
    for (int i = 0; i < fixes; ++i) {
        double east = 0;
        for (const auto& [fix, metres] : away)
            if (fix == i)
                east = metres;
        points.push_back(At(i * msPerFix, i * metresPerFix, east));
    }
    return points;
}

TEST(TrackSteps, TellsExcursionsFromJumpsAndMovements)
{
    struct Case {
        const char* Name;
        std::vector<PathPoint> Points;
        std::string Marks;
    };
    const Case cases[] = {
        {"a spike at 10 Hz", Walk(10, 100, 1.5, {{4, 500}}), "PPPPEPPPPP"},
        // 300 m in a tenth of a second: under a whole second's reach, still a glitch.
        {"a short spike at 10 Hz", Walk(10, 100, 1.5, {{4, 300}}), "PPPPEPPPPP"},
        {"40 m in a tenth of a second is a movement", Walk(6, 100, 1.5, {{3, 40}}), "PPPPPP"},
        // A log without milliseconds: fixes of one second share their moment.
        {"same-second fixes", Walk(6, 0, 20), "PPPPPP"},
        {"a smoothed spike out and back",
         Walk(12, 100, 1.5, {{3, 95}, {4, 143}, {5, 191}, {6, 143}, {7, 95}}), "PPPEEEEEPPPP"},
        {"a jump the track goes on from",
         Walk(6, 1000, 1.5, {{2, 9000}, {3, 9000}, {4, 9000}, {5, 9000}}), "PPJPPP"},
        {"away for longer than an excursion",
         Walk(14, 1000, 1.5,
              {{2, 9000},
               {3, 9000},
               {4, 9000},
               {5, 9000},
               {6, 9000},
               {7, 9000},
               {8, 9000},
               {9, 9000},
               {10, 9000},
               {11, 9000}}),
         "PPJPPPPPPPPPJP"},
        {"a spike at the trip's end has nowhere to come back to", Walk(5, 1000, 1.5, {{4, 9000}}),
         "PPPPJ"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Marks(c.Points), c.Marks) << c.Name;
}

// The path's length against the way travelled and against the plain sum of the steps.
TEST(TrackSteps, CountsThePathNotTheNoise)
{
    Noise noise;
    const auto jittered = [&noise](int fixes, std::int64_t msPerFix, double metresPerFix) {
        std::vector<PathPoint> points;
        for (int i = 0; i < fixes; ++i)
            points.push_back(At(i * msPerFix, i * metresPerFix + noise.Next(4), noise.Next(4)));
        return points;
    };

    // 48 s at 52 km/h, ten fixes a second jittering by up to 4 m each way: 693 m travelled.
    const std::vector<PathPoint> drive = jittered(481, 100, 52 / 36.0);
    EXPECT_GT(PlainM(drive), 2.5 * 693.3);
    EXPECT_NEAR(PathM(drive), 693.3, 693.3 * 0.04) << PathM(drive);

    // A minute standing still at 10 Hz: a few of the noise's steps at most.
    const std::vector<PathPoint> standing = jittered(600, 100, 0);
    EXPECT_LT(PathM(standing), PlainM(standing) / 20);

    // A walk with a fix every five seconds and no noise: every step counts. One with a fix a
    // second counts every third; the last two steps of the trip are never counted.
    const std::vector<PathPoint> slow = Walk(120, 5000, 7);
    EXPECT_NEAR(PathM(slow), PlainM(slow), 1e-6);
    const std::vector<PathPoint> walk = Walk(600, 1000, 1.4);
    EXPECT_NEAR(PathM(walk), PlainM(walk) - 2 * 1.4, 1e-6);

    // Neither an excursion nor a jump adds anything.
    EXPECT_NEAR(PathM(Walk(100, 1000, 1.5, {{50, 3000}})), 148.5, 1e-6);
    std::vector<PathPoint> jumped = Walk(20, 1000, 20);
    for (std::size_t i = 10; i < jumped.size(); ++i)
        jumped[i] = At(static_cast<std::int64_t>(i) * 1000, static_cast<double>(i) * 20, 50000);
    EXPECT_NEAR(PathM(jumped), 18 * 20.0, 1e-6);
}

// Every figure of a trip leaves the excursions out: the distance, the highest speed, the heights.
TEST(TrackSteps, TripFiguresFollowThePath)
{
    constexpr std::int64_t kStart = 3921120000000; // 2024-04-01 08:00:00.000 local
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 100; ++i) {
        const bool spike = i == 40;
        TGpsFix fix = t2ntest::SampleFix(kStart + i * 1000, kLatDeg + i * 10 / kMetresPerDegree,
                                         spike ? 140.5 : 139.75);
        fix.Speed = spike ? 9999.0f : 36.0f;
        fix.ExtraValue = spike ? -500.0f : 20.0f + static_cast<float>(i) / 10;
        fixes.push_back(fix);
    }
    const TripAnalysis analysis = AnalyseTrips(fixes);
    ASSERT_EQ(analysis.Trips.size(), 1u);
    const Trip& trip = analysis.Trips[0];
    EXPECT_EQ(trip.FixCount(), 100u);
    EXPECT_NEAR(trip.DistanceM, 990.0, 0.01);
    EXPECT_EQ(trip.MaxSpeedKmh, 36.0f);
    EXPECT_EQ(trip.MinHeightM, 20.0f);
    EXPECT_FLOAT_EQ(*trip.MaxHeightM, 29.9f);
    ASSERT_EQ(analysis.Steps.size(), 100u);
    EXPECT_EQ(analysis.Steps[40], TrackStep::Excursion);
    EXPECT_EQ(std::count(analysis.Steps.begin(), analysis.Steps.end(), TrackStep::Path), 99);
    EXPECT_TRUE(AnalyseTrips(fixes, kDefaultTripGapMs, TripFigures::BoundsOnly).Steps.empty());
}

} // namespace
