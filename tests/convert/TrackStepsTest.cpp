#include "convert/TrackSteps.h"

#include "convert/Trips.h"
#include "decoders/Smoothing.h"
#include "support/SampleFix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
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
    MarkPath(points, steps);
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
    return MarkPath(points, steps);
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

// A walk of `fixes` a second apart that lies 9 km east for `away` fixes from `from` on.
std::vector<PathPoint> AwayFor(int fixes, int from, int away)
{
    std::vector<std::pair<int, double>> east;
    for (int i = from; i < from + away; ++i)
        east.emplace_back(i, 9000);
    return Walk(fixes, 1000, 1.5, east);
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
        // 40 m in a tenth of a second is 1440 km/h: a movement the track goes on from, a glitch
        // when it comes straight back; 25 m (900 km/h) is a movement either way.
        {"40 m on", Walk(6, 100, 1.5, {{3, 40}, {4, 40}, {5, 40}}), "PPPPPP"},
        {"40 m out and back", Walk(6, 100, 1.5, {{3, 40}}), "PPPEPP"},
        {"25 m out and back", Walk(6, 100, 1.5, {{3, 25}}), "PPPPPP"},
        // A log without milliseconds: fixes of one second share their moment.
        {"same-second fixes", Walk(6, 0, 20), "PPPPPP"},
        {"a smoothed spike out and back",
         Walk(12, 100, 1.5, {{3, 95}, {4, 143}, {5, 191}, {6, 143}, {7, 95}}), "PPPEEEEEPPPP"},
        {"a jump the track goes on from",
         Walk(6, 1000, 1.5, {{2, 9000}, {3, 9000}, {4, 9000}, {5, 9000}}), "PPJPPP"},
        {"away for longer than an excursion", AwayFor(16, 2, 12), "PPJPPPPPPPPPPPJP"},
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
        points.reserve(static_cast<std::size_t>(fixes));
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

// A sector log's drive as its decoder gives it: ten fixes a second north at `kmh` (the speed
// logged), each fix moved east by the metres `away` gives it, then smoothed as the decoder does.
std::vector<TGpsFix> SmoothedDrive(int fixes, double kmh, const std::function<double(int)>& away)
{
    constexpr std::int64_t kStart = 3921120000000; // 2024-04-01 08:00:00.000 local
    std::vector<TGpsFix> raw;
    for (int i = 0; i < fixes; ++i) {
        TGpsFix fix = t2ntest::SampleFix(kStart + std::int64_t{i} * 100,
                                         kLatDeg + i * kmh / 36 / kMetresPerDegree,
                                         139.75 + away(i) / (kMetresPerDegree * kCosLat));
        fix.Speed = static_cast<float>(kmh);
        raw.push_back(fix);
    }
    std::vector<TGpsFix> smoothed(raw.size());
    SmoothFixes(raw.data(), static_cast<std::int32_t>(raw.size()), smoothed.data());
    return smoothed;
}

// A sector log's smoothing spreads a spike over the fixes around it, out and back in steps of
// hundreds of km/h, and a jump into a ramp towards its end: the trip measures the way travelled,
// and never more than its highest speed over its time allows. A fast vehicle's own steps count.
TEST(TrackSteps, SmoothedSpikesAndJumpsAddNothing)
{
    const auto spikes = [](const std::vector<std::pair<int, double>>& at) {
        return [at](int i) {
            double east = 0;
            for (const auto& [fix, metres] : at)
                east += fix == i ? metres : 0;
            return east;
        };
    };
    const auto jumpAt = [](int from, double metres) {
        return [=](int i) { return i >= from ? metres : 0.0; };
    };
    struct Case {
        const char* Name;
        double Kmh;
        std::function<double(int)> Away;
        std::size_t Excursions;
    };
    const Case cases[] = {
        // Spread into steps of 62, 31, 31, 31, 31 and 62 m a tenth of a second (1100 km/h).
        {"a small spike", 52, spikes({{200, 434}}), 5},
        // Its first step, 38 m a tenth of a second, is slower than a jump.
        {"a spike of 266 m", 52, spikes({{200, 266}}), 5},
        {"a spike of kilometres", 52, spikes({{200, 9000}}), 5},
        {"two spikes four fixes apart", 52, spikes({{200, 9000}, {204, -660}}), 9},
        {"a spike on a jet at 900 km/h", 900, spikes({{200, 9000}}), 5},
        // Crept towards over five fixes: marked jumps, no step leads there.
        {"a jump of 2.4 km", 52, jumpAt(200, 2400), 0},
        // The spike runs into the jump's ramp and comes back nowhere: jumps all the way.
        {"a spike, then a jump", 52,
         [](int i) { return (i == 200 ? -3000.0 : 0.0) + (i >= 206 ? 919.0 : 0.0); }, 0},
    };
    for (const Case& c : cases) {
        const std::vector<TGpsFix> fixes = SmoothedDrive(400, c.Kmh, c.Away);
        const TripAnalysis analysis = AnalyseTrips(fixes);
        ASSERT_EQ(analysis.Trips.size(), 1u) << c.Name;
        const Trip& trip = analysis.Trips[0];
        // As long as the same drive without them; a jump takes away the way moved while the track
        // creeps towards its end and up to the path's noise distance on either side of it.
        const std::vector<TGpsFix> clean = SmoothedDrive(400, c.Kmh, [](int) { return 0.0; });
        const double cleanM = AnalyseTrips(clean).DistanceM;
        EXPECT_NEAR(trip.DistanceM, cleanM, 3 * kPathNoiseM) << c.Name;
        EXPECT_LE(trip.DistanceM, cleanM + 1e-6) << c.Name;
        EXPECT_LE(trip.DistanceM, *trip.MaxSpeedKmh / 3.6 * 39.9 * 1.0001) << c.Name;
        EXPECT_EQ(static_cast<std::size_t>(std::count(analysis.Steps.begin(), analysis.Steps.end(),
                                                      TrackStep::Excursion)),
                  c.Excursions)
            << c.Name;
    }
    // A jet logged without speeds, a fix a second: every step counts.
    const std::vector<PathPoint> flight = Walk(120, 1000, 250);
    EXPECT_EQ(Marks(flight), std::string(120, 'P'));
    EXPECT_NEAR(PathM(flight), PlainM(flight), 1e-6);
}

// The point `metres` from (latDeg, lonDeg) along `bearingDeg` on the trips' sphere, `ms` later.
PathPoint Destination(double latDeg, double lonDeg, double bearingDeg, double metres,
                      std::int64_t ms)
{
    constexpr double kRad = 3.14159265358979323846 / 180;
    const double d = metres / kTripEarthRadiusM;
    const double lat = latDeg * kRad;
    const double lat2 = std::asin(std::sin(lat) * std::cos(d) +
                                  std::cos(lat) * std::sin(d) * std::cos(bearingDeg * kRad));
    const double lon2 =
        lonDeg * kRad + std::atan2(std::sin(bearingDeg * kRad) * std::sin(d) * std::cos(lat),
                                   std::cos(d) - std::sin(lat) * std::sin(lat2));
    double lonDeg2 = lon2 / kRad;
    if (lonDeg2 > 180)
        lonDeg2 -= 360;
    return MakePathPoint(lat2 / kRad, lonDeg2, ms);
}

// The walk decides a step's length against the path's 15 m and the jump's reach on a plane where
// it can: just below and just above each limit, at every latitude and across the date line, the
// decisions are the great-circle length's.
TEST(TrackSteps, DecidesAtTheLimitsAsTheGreatCircleDoes)
{
    struct Place {
        double LatDeg;
        double LonDeg;
    };
    const Place places[] = {{0, 10}, {35.5, 139.75}, {-70, -60}, {89.9, 0}, {0.0001, 179.99998}};
    const double factors[] = {0.99, 0.999999, 1.000001, 1.01};
    const double kJumpM = kJumpSpeedKmh / 3.6 * 0.1; // reach in a tenth of a second
    for (const Place& place : places) {
        for (const double bearing : {0.0, 45.0, 90.0, 250.0}) {
            for (const double factor : factors) {
                const PathPoint from = MakePathPoint(place.LatDeg, place.LonDeg, 0);
                // The path: a step one second later counts when it is 15 m or more.
                const PathPoint near =
                    Destination(place.LatDeg, place.LonDeg, bearing, kPathNoiseM * factor, 1000);
                const std::vector<PathPoint> walk{from, near};
                const double stepM = StepM(from, near);
                EXPECT_EQ(PathM(walk), stepM >= kPathNoiseM ? stepM : 0.0)
                    << place.LatDeg << " " << place.LonDeg << " " << bearing << " " << factor;
                // The jump: a last step a tenth of a second later beyond the reach.
                const PathPoint far =
                    Destination(place.LatDeg, place.LonDeg, bearing, kJumpM * factor, 100);
                EXPECT_EQ(Marks({from, far}), StepM(from, far) > kJumpM ? "PJ" : "PP")
                    << place.LatDeg << " " << place.LonDeg << " " << bearing << " " << factor;
            }
        }
    }
}

// Every figure of a trip leaves the excursions out: the distance, the highest speed, the heights.
TEST(TrackSteps, TripFiguresFollowThePath)
{
    constexpr std::int64_t kStart = 3921120000000; // 2024-04-01 08:00:00.000 local
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 100; ++i) {
        const bool spike = i == 40;
        TGpsFix fix =
            t2ntest::SampleFix(kStart + std::int64_t{i} * 1000, kLatDeg + i * 10 / kMetresPerDegree,
                               spike ? 140.5 : 139.75);
        fix.Speed = spike ? 9999.0f : 36.0f;
        fix.ExtraValue = spike ? -500.0f : 20.0f + static_cast<float>(i) / 10;
        fixes.push_back(fix);
    }
    // Records without a position among the fixes: they ride along, marked as such, and move
    // nothing of the others' marks.
    for (const std::size_t at :
         {std::size_t{70}, std::size_t{41}, std::size_t{40}, std::size_t{3}}) {
        TGpsFix noFix = fixes[at];
        noFix.FixType = kNoFixType;
        fixes.insert(fixes.begin() + static_cast<std::ptrdiff_t>(at), noFix);
    }
    const TripAnalysis analysis = AnalyseTrips(fixes);
    ASSERT_EQ(analysis.Trips.size(), 1u);
    const Trip& trip = analysis.Trips[0];
    EXPECT_EQ(trip.FixCount(), 100u);
    EXPECT_NEAR(trip.DistanceM, 990.0, 0.01);
    EXPECT_EQ(trip.MaxSpeedKmh, 36.0f);
    EXPECT_EQ(trip.MinHeightM, 20.0f);
    EXPECT_FLOAT_EQ(*trip.MaxHeightM, 29.9f);
    ASSERT_EQ(analysis.Steps.size(), 104u);
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TrackStep expected = fixes[i].FixType == kNoFixType ? TrackStep::None
                                   : fixes[i].Speed > 9000        ? TrackStep::Excursion
                                                                  : TrackStep::Path;
        EXPECT_EQ(analysis.Steps[i], expected) << i;
    }
    EXPECT_TRUE(AnalyseTrips(fixes, kDefaultTripGapMs, TripFigures::BoundsOnly).Steps.empty());
}

} // namespace
