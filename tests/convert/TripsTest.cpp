#include "convert/Trips.h"

#include "convert/TripText.h"
#include "support/SampleFix.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::int64_t kBase = 3921120000000; // 2024-04-01 08:00:00.000 local
constexpr float kNoValue = NAN;

TGpsFix At(std::int64_t ms, double lat = 0, double lon = 0, float speed = kNoValue,
           float height = kNoValue)
{
    TGpsFix fix = t2ntest::SampleFix(kBase + ms, lat, lon);
    fix.Speed = speed;
    fix.ExtraValue = height;
    return fix;
}

TEST(Trips, SplitsInTimeOrder)
{
    struct Case {
        std::vector<std::int64_t> ms;   // table order, from kBase
        std::vector<std::size_t> order; // expected table index of each time-order position
        std::vector<std::size_t> sizes; // expected fixes per trip
    };
    const Case cases[] = {
        {{}, {}, {}},
        {{0}, {0}, {1}},
        {{0, 600000, 1200000}, {0, 1, 2}, {3}},              // exactly the gap stays together
        {{0, 600001, 600002}, {0, 1, 2}, {1, 2}},            // one millisecond more splits
        {{5, 0, 5, 5}, {1, 0, 2, 3}, {4}},                   // equal moments keep table order
        {{2000000, 2001000, 0, 1000}, {2, 3, 0, 1}, {2, 2}}, // wrapped log
        {{900, 100, 700, 300, 500}, {1, 3, 4, 2, 0}, {5}},   // three runs merged
    };
    for (const Case& c : cases) {
        std::vector<TGpsFix> fixes;
        for (std::int64_t ms : c.ms)
            fixes.push_back(At(ms));
        const TripAnalysis a = AnalyseTrips(fixes);
        std::vector<std::size_t> order, sizes;
        for (std::size_t i = 0; i < fixes.size(); ++i)
            order.push_back(a.TableIndex(i));
        for (const Trip& t : a.Trips)
            sizes.push_back(t.FixCount());
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(a.Order.empty(), std::is_sorted(c.ms.begin(), c.ms.end()));
        if (!a.Trips.empty()) {
            EXPECT_EQ(a.Trips.back().End, fixes.size());
        }
    }
}

// Records the logger wrote without a fix carry a stale position: they make no trip of their
// own, split none and add no distance, but ride along in a trip they lie within.
TEST(Trips, RecordsWithoutAFixMakeNoTrip)
{
    struct Case {
        std::vector<std::pair<std::int64_t, bool>> records;     // moment, written without a fix
        std::vector<std::pair<std::size_t, std::size_t>> spans; // positions of each trip
        std::vector<std::size_t> fixes;                         // its fixes with a position
    };
    const Case cases[] = {
        {{{0, false}, {1000, true}, {2000, false}}, {{0, 3}}, {2}},
        {{{0, false}, {700000, true}, {1400000, true}}, {{0, 1}}, {1}}, // no phantom trip
        {{{0, true}, {700000, false}, {1400000, true}}, {{1, 2}}, {1}},
        {{{0, false}, {300000, true}, {900000, false}}, {{0, 1}, {2, 3}}, {1, 1}},
        {{{0, true}, {1000, true}}, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<TGpsFix> fixes;
        for (const auto& [ms, noFix] : c.records) {
            fixes.push_back(At(ms, noFix ? 1.0 : 0.0)); // the stale position lies 111 km away
            fixes.back().FixType = noFix ? kNoFixType : kSpsFixType;
        }
        const TripAnalysis a = AnalyseTrips(fixes);
        std::vector<std::pair<std::size_t, std::size_t>> spans;
        std::vector<std::size_t> counts;
        for (const Trip& t : a.Trips) {
            spans.emplace_back(t.Begin, t.End);
            counts.push_back(t.FixCount());
            EXPECT_EQ(t.DistanceM, 0.0);
        }
        EXPECT_EQ(spans, c.spans);
        EXPECT_EQ(counts, c.fixes);
        EXPECT_EQ(a.FixCount, fixes.size());
    }
}

// The trip a moment lies in: inside a trip's span, or near enough to its first or last fix; the
// nearer of two, the earlier on a tie; none when both are too far.
TEST(Trips, TripAtAMoment)
{
    std::vector<Trip> trips(2);
    trips[0].FirstMs = 1000, trips[0].LastMs = 5000;
    trips[1].FirstMs = 20000, trips[1].LastMs = 30000;
    struct Case {
        std::int64_t Ms, SlackMs;
        std::optional<std::size_t> Trip;
    };
    for (const Case& c :
         {Case{1000, 0, 0}, Case{5000, 0, 0}, Case{3000, 0, 0}, Case{20000, 0, 1},
          Case{30000, 0, 1}, Case{5001, 0, std::nullopt}, Case{7000, 2000, 0},
          Case{7001, 2000, std::nullopt}, Case{18000, 2000, 1}, Case{17999, 2000, std::nullopt},
          Case{0, 2000, 0}, Case{32000, 2000, 1}, Case{32001, 2000, std::nullopt},
          Case{12500, 10000, 0}, Case{12501, 10000, 1}}) {
        SCOPED_TRACE(c.Ms);
        EXPECT_EQ(TripAt(trips, c.Ms, c.SlackMs), c.Trip);
    }
    EXPECT_EQ(TripAt({}, 1000, 1000), std::nullopt);
}

TEST(Trips, MeasuresTripsAndLog)
{
    // 1 degree of latitude, then 1 degree of longitude along 1 N, 9 minutes each (741 km/h):
    // 111195.080 + 111178.144 m.
    const std::vector<TGpsFix> fixes = {At(7200250, 5, 5, INFINITY, -INFINITY),
                                        At(250, 0, 0, 10.0f), At(540250, 1, 0, kNoValue, 12.5f),
                                        At(1080250, 1, 1, 25.5f, -3.0f), At(7201250, NAN, 5, 7.5f)};
    const TripAnalysis a = AnalyseTrips(fixes);
    ASSERT_EQ(a.Trips.size(), 2u);
    const Trip& t = a.Trips[0];
    EXPECT_EQ(t.FirstMs, kBase + 250);
    EXPECT_EQ(t.LastMs, kBase + 1080250);
    EXPECT_EQ(t.FixCount(), 3u);
    EXPECT_NEAR(t.DistanceM, 222373.224, 0.001);
    EXPECT_EQ(t.MaxSpeedKmh, 25.5f);
    EXPECT_EQ(t.MinHeightM, -3.0f);
    EXPECT_EQ(t.MaxHeightM, 12.5f);
    // Infinite speed and no height skipped; the fix without a position is in no trip.
    EXPECT_FALSE(a.Trips[1].MaxSpeedKmh);
    EXPECT_FALSE(a.Trips[1].MinHeightM || a.Trips[1].MaxHeightM);
    EXPECT_EQ(a.Trips[1].DistanceM, 0.0);
    EXPECT_EQ(a.Trips[1].FixCount(), 1u);
    EXPECT_EQ(a.Trips[1].LastMs, kBase + 7200250);
    EXPECT_EQ(a.FirstMs, kBase + 250);
    EXPECT_EQ(a.LastMs, kBase + 7201250);
    EXPECT_EQ(a.DistanceM, t.DistanceM);
    EXPECT_EQ(TripWindow(t).Start, kBase);
    EXPECT_EQ(TripWindow(t).End, kBase + 1081000);
    Trip early;
    early.FirstMs = -1500;
    early.LastMs = -1;
    EXPECT_EQ(TripWindow(early).Start, -2000);
    EXPECT_EQ(TripWindow(early).End, 0);
    EXPECT_EQ(FormatTripRow(1, t, {}), "1\t2024-04-01 08:00:00.250\t2024-04-01 08:18:00.250\t3\t"
                                       "00:18:00\t222.373\t25.5\t-3.0\t12.5\t00:00:00\t-\t-\t-");
}

TEST(Trips, GreatCircle)
{
    const double cases[][5] = {
        {0, 0, 1, 0, 111195.08023353292},          // 1 degree of latitude
        {0, 179.5, 0, -179.5, 111195.08023353292}, // across 180 degrees
        {89, 0, 89, 180, 222390.16046706584},      // over the pole
        {35, 139, 35.05, 139, 5559.754011676329},  // a few seconds' drive
        {35, 139, 35.001, 139.001, 143.73880854573457},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(GreatCircleM(c[0], c[1], c[2], c[3]), c[4], c[4] * 1e-13) << c[4];
}

TEST(TripText, Rows)
{
    Trip t;
    t.LastMs = 363599999;
    t.Begin = 4;
    t.End = 6;
    t.Fixes = 2;
    t.DistanceM = 1234.5;
    EXPECT_EQ(FormatTripRow(12, t, {}), "12\t1899-12-30 00:00:00.000\t1900-01-03 04:59:59.999\t2\t"
                                        "100:59:59\t1.234\t-\t-\t-\t00:00:00\t-\t-\t-");
    t.MaxSpeedKmh = 0.25f;
    t.MinHeightM = -0.05f;
    const MovingFigures moving{
        .MovingMs = 363599999, .AvgMovingKmh = 12.25, .AscentM = 0.04, .DescentM = 1234.56};
    const std::string row = FormatTripRow(1, t, moving);
    // %.1f: 0.25 and 12.25 tie to even; the moving time is cut to the second.
    EXPECT_EQ(row.substr(row.rfind("1.234")), "1.234\t0.2\t-0.1\t-\t100:59:59\t12.2\t0.0\t1234.6");
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'),
              std::count(kTripListHeader.begin(), kTripListHeader.end(), '\t'));
}

TEST(TripText, ParsesTripLists)
{
    using V = std::vector<std::int32_t>;
    const std::pair<const char*, V> good[] = {
        {"1", {1}},   {"1,3-5", {1, 3, 4, 5}}, {"4-5,1,3-4,4", {1, 3, 4, 5}},
        {"2-2", {2}}, {"3329280", {3329280}},  {"007", {7}}};
    for (const auto& [text, expected] : good)
        EXPECT_EQ(ParseTripList(text), expected) << text;
    const char* bad[] = {"",      "0",   "1,",  ",1",      " 1",          "1,,2",
                         "5-4",   "a",   "1-",  "-1",      "+1",          "1--2",
                         "1-2-3", "1.5", "1;2", "3329281", "99999999999", "1-99999999999"};
    for (const char* text : bad)
        EXPECT_EQ(ParseTripList(text), std::nullopt) << text;
}

} // namespace
