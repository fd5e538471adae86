#include "geometry/Profile.h"

#include "store/TimeBase.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr double kDay = 45415.0; // 2024-05-03
const std::int64_t kDayMs = DayCountToMilliseconds(kDay);
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

TGpsFix FixAt(std::int64_t ms, float speedKmh, float heightM = 0.0f)
{
    TGpsFix fix{};
    fix.Time = kDay + static_cast<double>(ms) / 86400000.0;
    fix.Latitude = 35.5 + static_cast<double>(ms) * 1e-9;
    fix.Longitude = 139.75;
    fix.FixType = 3;
    fix.Speed = speedKmh;
    fix.ExtraValue = heightM;
    return fix;
}

DroppedRecord DroppedAt(std::int64_t ms, float speedKmh, float heightM)
{
    return {kDay + static_cast<double>(ms) / 86400000.0, speedKmh, heightM};
}

// The axis over [firstMs, lastMs] of the day onto `width` pixels from x = 8.
TimeAxis AxisOver(std::int64_t firstMs, std::int64_t lastMs, double width)
{
    return {kDayMs + firstMs, kDayMs + lastMs, 8.0, width};
}

struct Series {
    std::vector<TGpsFix> Fixes;
    ProfileSeries Profile;

    explicit Series(std::vector<TGpsFix> fixes, std::vector<DroppedRecord> dropped = {})
        : Fixes(std::move(fixes)), Profile(Fixes, AnalyseTrips(Fixes), dropped)
    {
    }
};

// A trip of `count` fixes `stepMs` apart from `firstMs` with random speeds and heights.
std::vector<TGpsFix> RandomTrip(std::int64_t firstMs, int count, std::int64_t stepMs,
                                std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> speed(0.0f, 120.0f);
    std::normal_distribution<float> height(300.0f, 40.0f);
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < count; ++i)
        fixes.push_back(FixAt(firstMs + i * stepMs, speed(random), height(random)));
    return fixes;
}

// Each column holds the first, last, lowest and highest of the values whose moments fall into
// its cell, worked out here fix by fix; the columns are bounded by the cells, not by the fixes.
TEST(Profile, ColumnsHoldEachCellsValues)
{
    const struct {
        int Fixes;
        double CellPixels;
    } cases[] = {{50, 1.0}, {5000, 1.0}, {200000, 1.0}, {200000, 0.5}, {3000, 0.25}};
    for (const auto& c : cases) {
        const std::int64_t stepMs = 3600000 / c.Fixes; // an hour of fixes
        const Series series(RandomTrip(0, c.Fixes, stepMs, 7));
        const TimeAxis axis = AxisOver(0, 3600000, 400);
        for (const ProfileValue value : {ProfileValue::SpeedKmh, ProfileValue::HeightM}) {
            const ProfileLayer layer = LayProfile(series.Profile, value, axis, c.CellPixels);
            std::map<long, ProfileColumn> expected;
            for (const TGpsFix& fix : series.Fixes) {
                const float v = value == ProfileValue::SpeedKmh ? fix.Speed : fix.ExtraValue;
                const std::int64_t ms = DayCountToMilliseconds(fix.Time);
                const long cell = std::lround(std::floor(static_cast<double>(ms - axis.FirstMs) /
                                                         (axis.MsPerPixel() * c.CellPixels)));
                const auto [it, fresh] = expected.try_emplace(cell, ProfileColumn{0, v, v, v, v});
                it->second.Min = std::min(it->second.Min, v);
                it->second.Max = std::max(it->second.Max, v);
                it->second.Last = v;
                it->second.X = 8.0 + (static_cast<double>(cell) + 0.5) * c.CellPixels;
            }
            ASSERT_EQ(layer.Runs.size(), 1u);
            std::vector<ProfileColumn> want;
            for (const auto& [cell, column] : expected)
                want.push_back(column);
            ASSERT_EQ(layer.Runs[0].Columns.size(), want.size()) << c.Fixes;
            for (std::size_t i = 0; i < want.size(); ++i) {
                EXPECT_NEAR(layer.Runs[0].Columns[i].X, want[i].X, 1e-9) << i;
                EXPECT_EQ(layer.Runs[0].Columns[i].Min, want[i].Min) << i;
                EXPECT_EQ(layer.Runs[0].Columns[i].Max, want[i].Max) << i;
                EXPECT_EQ(layer.Runs[0].Columns[i].First, want[i].First) << i;
                EXPECT_EQ(layer.Runs[0].Columns[i].Last, want[i].Last) << i;
            }
            EXPECT_LE(layer.ColumnCount(), static_cast<std::size_t>(400 / c.CellPixels) + 1);
        }
    }
}

// Trips apart by more than the gap are separate runs: no line joins them.
TEST(Profile, GapsBetweenTripsBreakTheLine)
{
    std::vector<TGpsFix> fixes = RandomTrip(0, 600, 1000, 1);                  // 00:00-00:10
    const std::vector<TGpsFix> later = RandomTrip(1800000, 600, 1000, 2);      // 00:30-00:40
    const std::vector<TGpsFix> latest = RandomTrip(3 * 3600000, 600, 1000, 3); // 03:00-03:10
    fixes.insert(fixes.end(), later.begin(), later.end());
    fixes.insert(fixes.end(), latest.begin(), latest.end());
    const Series series(fixes);
    const TimeAxis axis = AxisOver(0, 3600000, 360); // 10 s a pixel: the third trip lies beyond
    const ProfileLayer layer = LayProfile(series.Profile, ProfileValue::SpeedKmh, axis, 1.0);
    ASSERT_EQ(layer.Runs.size(), 2u);
    EXPECT_EQ(layer.Runs[0].Trip, 0u);
    EXPECT_EQ(layer.Runs[1].Trip, 1u);
    EXPECT_LT(layer.Runs[0].Columns.back().X, axis.XOf(kDayMs + 600000));
    EXPECT_GE(layer.Runs[1].Columns.front().X, axis.XOf(kDayMs + 1800000) - 1);
}

// Zoomed in between two fixes of a trip, the line still crosses the span: the fixes on either
// side are its ends, and they give the range.
TEST(Profile, TheLineRunsToTheEdgesOfTheSpan)
{
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 6; ++i)
        fixes.push_back(FixAt(i * 60000, 10.0f * static_cast<float>(i)));
    const Series series(fixes);
    const TimeAxis axis = AxisOver(125000, 175000, 500);
    const ProfileLayer layer = LayProfile(series.Profile, ProfileValue::SpeedKmh, axis, 1.0);
    ASSERT_EQ(layer.Runs.size(), 1u);
    const std::vector<ProfileColumn>& columns = layer.Runs[0].Columns;
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_LT(columns[0].X, axis.Left);
    EXPECT_GT(columns[1].X, axis.Left + axis.Width);
    EXPECT_EQ(columns[0].First, 20.0f);
    EXPECT_EQ(columns[1].First, 30.0f);
    EXPECT_EQ(layer.Range, std::pair(20.0f, 30.0f));
}

// A record the logger wrote without a fix rides along in its trip but shows no value, and the
// pointer never lands on it.
TEST(Profile, RecordsWithoutAFixShowNothing)
{
    std::vector<TGpsFix> fixes;
    for (int i = 0; i < 5; ++i)
        fixes.push_back(FixAt(i * 1000, 30.0f, 100.0f));
    fixes[2].FixType = kNoFixType;
    fixes[2].Speed = 999.0f;
    const Series series(fixes);
    const ProfileLayer layer =
        LayProfile(series.Profile, ProfileValue::SpeedKmh, AxisOver(0, 4000, 400), 1.0);
    ASSERT_EQ(layer.Runs.size(), 1u);
    EXPECT_EQ(layer.Runs[0].Columns.size(), 4u);
    EXPECT_EQ(layer.Range, std::pair(30.0f, 30.0f));
    EXPECT_EQ(series.Profile.NearestAt(kDayMs + 2000, 600), std::nullopt);
    EXPECT_EQ(series.Profile.NearestAt(kDayMs + 2100, 1000), 3u);
}

// The dropped records are sorted by time; those within the span are folded into columns of
// their own, values that are not numbers left out; they do not change the range.
TEST(Profile, DroppedRecordsAreMarksOfTheirOwn)
{
    const std::vector<DroppedRecord> dropped = {
        DroppedAt(9000, 500.0f, 40.0f),   // beyond the span
        DroppedAt(3000, 0.0f, 20.0f),     // with the next in one cell
        DroppedAt(3004, 2.0f, kNan),      //
        DroppedAt(1000, kNan, 10.0f),     // no speed
        DroppedAt(-5000, 4000.0f, 30.0f), // before the span
    };
    const Series series(RandomTrip(0, 9, 1000, 4), dropped);
    const TimeAxis axis = AxisOver(0, 8000, 800); // 10 ms a pixel
    const ProfileLayer speed = LayProfile(series.Profile, ProfileValue::SpeedKmh, axis, 1.0);
    EXPECT_EQ(speed.Dropped, (std::vector<ProfileColumn>{{308.5, 0.0f, 0.0f, 2.0f, 2.0f}}));
    const ProfileLayer height = LayProfile(series.Profile, ProfileValue::HeightM, axis, 1.0);
    EXPECT_EQ(height.Dropped, (std::vector<ProfileColumn>{{108.5, 10.0f, 10.0f, 10.0f, 10.0f},
                                                          {308.5, 20.0f, 20.0f, 20.0f, 20.0f}}));
    const ProfileLayer without =
        LayProfile(Series(RandomTrip(0, 9, 1000, 4)).Profile, ProfileValue::SpeedKmh, axis, 1.0);
    EXPECT_EQ(speed.Range, without.Range);
}

// The pointer's moment finds the nearest fix within the slack: the earlier of two as near, none
// in a gap.
TEST(Profile, NearestFixToThePointer)
{
    std::vector<TGpsFix> fixes;
    for (const std::int64_t ms : {0, 1000, 2000, 3000, 1203000, 1204000})
        fixes.push_back(FixAt(ms, 20.0f));
    const Series series(fixes);
    const struct {
        std::int64_t Ms;
        std::optional<std::size_t> Position;
    } cases[] = {
        {-2000, std::nullopt},
        {-1500, 0},
        {0, 0},
        {400, 0},
        {500, 0},
        {501, 1},
        {2999, 3},
        {4500, 3},
        {4501, std::nullopt},
        {600000, std::nullopt},
        {1201600, 4},
        {1204000, 5},
        {1205500, 5},
        {1206000, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(series.Profile.NearestAt(kDayMs + c.Ms, 1500), c.Position) << c.Ms;
    EXPECT_EQ(ProfileSeries().NearestAt(kDayMs, 1500), std::nullopt);
}

TEST(Profile, ScalesOfTheBands)
{
    using Range = std::optional<std::pair<float, float>>;
    const struct {
        Range Values;
        bool FromZero;
        ProfileScale Expected;
    } cases[] = {
        {std::pair(0.0f, 47.3f), true, {0, 50, 10}},
        {std::pair(12.0f, 18.0f), true, {0, 20, 5}},
        {std::nullopt, true, {0, 10, 2}},
        {std::pair(-3.0f, 20.0f), true, {-5, 20, 5}},
        {std::pair(102.5f, 104.0f), false, {98, 110, 2}},
        {std::pair(-12.0f, 850.0f), false, {-200, 1000, 200}},
        {std::pair(5.0f, 5.0f), false, {0, 10, 2}},
        {std::pair(3776.0f, 3777.0f), false, {3770, 3782, 2}},
    };
    for (const auto& c : cases) {
        const ProfileScale scale = ChooseProfileScale(c.Values, c.FromZero, 10.0);
        EXPECT_DOUBLE_EQ(scale.Low, c.Expected.Low);
        EXPECT_DOUBLE_EQ(scale.High, c.Expected.High);
        EXPECT_DOUBLE_EQ(scale.Step, c.Expected.Step);
        EXPECT_LE((scale.High - scale.Low) / scale.Step, 6.0 + 1e-9);
    }
}

} // namespace
