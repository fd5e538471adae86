#include "decoders/Smoothing.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

// Expected values are written out in extended precision with the weights as long double
// literals and the terms in the order the pass adds them (the fix itself, then offsets -4..+4),
// so every smoothed value must match to the last bit.

namespace {

double At(long double ms) { return double(44319.5L + ms / 86400000.0L); }

TGpsFix Fix(double time, float speed, double latitude = 35.0)
{
    TGpsFix fix{};
    fix.Time = time;
    fix.FixType = 3;
    fix.Latitude = latitude;
    fix.Longitude = 139.0;
    fix.Speed = speed;
    return fix;
}

// Fixes every `stepMs` milliseconds with the given speeds.
std::vector<TGpsFix> Evenly(long double stepMs, const std::vector<float>& speeds)
{
    std::vector<TGpsFix> out;
    for (std::size_t i = 0; i < speeds.size(); ++i)
        out.push_back(Fix(At(stepMs * i), speeds[i]));
    return out;
}

// Every field of a fix as its bits, so that two fixes compare equal only when they are identical.
auto Bits(const TGpsFix& f)
{
    return std::tuple(
        std::bit_cast<std::uint64_t>(f.Time), f.FixType, std::bit_cast<std::uint64_t>(f.Latitude),
        std::bit_cast<std::uint64_t>(f.Longitude), std::bit_cast<std::uint32_t>(f.ExtraValue),
        std::bit_cast<std::uint32_t>(f.Speed), std::bit_cast<std::uint32_t>(f.Course), f.ExtraCount,
        f.SatelliteCount, f.Millisecond);
}

class Smoothing : public ::testing::Test
{
  protected:
    // The smoothing step of a load over the fixes.
    std::vector<TGpsFix> Smooth(const std::vector<TGpsFix>& fixes)
    {
        FixTable table(static_cast<std::int32_t>(fixes.size()));
        for (const TGpsFix& fix : fixes)
            table.Append(fix);
        SmoothFixTable(table);
        EXPECT_EQ(table.Count(), static_cast<std::int32_t>(fixes.size()));
        return {table.Fixes().begin(), table.Fixes().end()};
    }
};

TEST_F(Smoothing, SpeedWorkedExamples)
{
    // 10 Hz, 10 .. 14: 28.3 / 2.7, 36 / 3.2 and 12 for the first three.
    auto out = Smooth(Evenly(100, {10, 11, 12, 13, 14}));
    EXPECT_EQ(out[0].Speed, float((1.8L * 10 + 0.5L * 11 + 0.4L * 12) / (1.8L + 0.5L + 0.4L)));
    EXPECT_EQ(out[1].Speed,
              float((1.8L * 11 + 0.5L * 10 + 0.5L * 12 + 0.4L * 13) / (1.8L + 0.5L + 0.5L + 0.4L)));
    EXPECT_EQ(out[2].Speed, float((1.8L * 12 + 0.4L * 10 + 0.5L * 11 + 0.5L * 13 + 0.4L * 14) /
                                  (1.8L + 0.4L + 0.5L + 0.5L + 0.4L)));
    EXPECT_EQ(out[4].Speed, float((1.8L * 14 + 0.4L * 12 + 0.5L * 13) / (1.8L + 0.4L + 0.5L)));
    EXPECT_NEAR(out[0].Speed, 10.48148, 1e-5);
    EXPECT_EQ(out[1].Speed, 11.25f);
    EXPECT_EQ(out[2].Speed, 12.0f);

    // A single 20 in a stretch of 10: 10, 10, 20 is no run (53 / 3.5 and 40 / 3.5).
    std::vector<float> speeds(11, 10.0f);
    speeds[5] = 20.0f;
    out = Smooth(Evenly(100, speeds));
    const long double total = 1.8L + 0.35L + 0.5L + 0.5L + 0.35L;
    EXPECT_EQ(out[5].Speed,
              float((1.8L * 20 + 0.35L * 10 + 0.5L * 10 + 0.5L * 10 + 0.35L * 10) / total));
    EXPECT_EQ(out[4].Speed,
              float((1.8L * 10 + 0.35L * 10 + 0.5L * 10 + 0.5L * 20 + 0.35L * 10) / total));
    EXPECT_EQ(out[3].Speed,
              float((1.8L * 10 + 0.35L * 10 + 0.5L * 10 + 0.5L * 10 + 0.35L * 20) / total));
    EXPECT_NEAR(out[5].Speed, 15.14286, 1e-5);
    EXPECT_EQ(out[9].Speed, 10.0f);

    // Equal neighbours break a run; a stretch of equal speeds keeps its value.
    out = Smooth(Evenly(100, {10, 10, 12, 14, 16, 16, 16, 16}));
    EXPECT_EQ(out[2].Speed, float((1.8L * 12 + 0.35L * 10 + 0.5L * 10 + 0.5L * 14 + 0.4L * 16) /
                                  (1.8L + 0.35L + 0.5L + 0.5L + 0.4L)));
    EXPECT_EQ(out[6].Speed, 16.0f);
}

TEST_F(Smoothing, AllNeighboursAt20Hz)
{
    auto fixes = Evenly(50, {5, 9, 7, 8, 10, 6, 11, 4, 12});
    long double la[9];
    for (std::size_t i = 0; i < 9; ++i)
        la[i] = fixes[i].Latitude = -33.0 - 0.00013 * static_cast<double>(i * i);
    auto out = Smooth(fixes);
    EXPECT_EQ(out[4].Speed, float((1.8L * 10 + 0.1L * 5 + 0.2L * 9 + 0.4L * 7 + 0.5L * 8 +
                                   0.5L * 6 + 0.35L * 11 + 0.2L * 4 + 0.1L * 12) /
                                  (1.8L + 0.1L + 0.2L + 0.4L + 0.5L + 0.5L + 0.35L + 0.2L + 0.1L)));
    EXPECT_EQ(out[4].Latitude, double((la[4] + 0.25L * la[1] + 0.5L * la[2] + 0.75L * la[3] +
                                       0.75L * la[5] + 0.5L * la[6] + 0.25L * la[7]) /
                                      (1.0L + 0.25L + 0.5L + 0.75L + 0.75L + 0.5L + 0.25L)));
    // A steady fall: every neighbour on a run, weight total 4.8.
    out = Smooth(Evenly(50, {30, 29, 28, 27, 26, 25, 24, 23, 22}));
    EXPECT_EQ(out[4].Speed, float((1.8L * 26 + 0.3L * 30 + 0.3L * 29 + 0.4L * 28 + 0.5L * 27 +
                                   0.5L * 25 + 0.4L * 24 + 0.3L * 23 + 0.3L * 22) /
                                  (1.8L + 0.3L + 0.3L + 0.4L + 0.5L + 0.5L + 0.4L + 0.3L + 0.3L)));
}

// The +-4 neighbours are admitted by the time of the +-3 fix, never by their own.
TEST_F(Smoothing, FourthNeighbourFollowsTheThird)
{
    auto fixes = Evenly(50, {10, 11, 12, 13, 30});
    fixes[4].Time = At(150 + 10000);
    auto out = Smooth(fixes);
    EXPECT_EQ(out[0].Speed, float((1.8L * 10 + 0.5L * 11 + 0.4L * 12 + 0.3L * 13 + 0.3L * 30) /
                                  (1.8L + 0.5L + 0.4L + 0.3L + 0.3L)));
    EXPECT_NEAR(out[0].Speed, 12.48485, 1e-5);
    EXPECT_EQ(out[3].Speed,
              float((1.8L * 13 + 0.3L * 10 + 0.4L * 11 + 0.5L * 12) / (1.8L + 0.3L + 0.4L + 0.5L)));
    EXPECT_EQ(out[4].Speed, float(1.8L * 30 / 1.8L));

    fixes = Evenly(50, {10, 11, 12, 13, 14});
    fixes[3].Time = At(3600000); // the third far away, the fourth close: neither counts
    fixes[4].Time = At(150);
    out = Smooth(fixes);
    EXPECT_EQ(out[0].Speed, float((1.8L * 10 + 0.5L * 11 + 0.4L * 12) / (1.8L + 0.5L + 0.4L)));
}

TEST_F(Smoothing, PositionWorkedExamples)
{
    // 10 Hz, a single 35.0035 among 35.0: about 35.001, 35.00075, 35.0005, then 35.0.
    auto fixes = Evenly(100, std::vector<float>(11, 10.0f));
    const long double o = fixes[5].Latitude = 35.0035;
    auto out = Smooth(fixes);
    const long double total = 1.0L + 0.5L + 0.75L + 0.75L + 0.5L;
    EXPECT_EQ(out[5].Latitude,
              double((o + 0.5L * 35 + 0.75L * 35 + 0.75L * 35 + 0.5L * 35) / total));
    EXPECT_EQ(out[6].Latitude,
              double((35 + 0.5L * 35 + 0.75L * o + 0.75L * 35 + 0.5L * 35) / total));
    EXPECT_EQ(out[3].Latitude,
              double((35 + 0.5L * 35 + 0.75L * 35 + 0.75L * 35 + 0.5L * o) / total));
    EXPECT_NEAR(out[5].Latitude, 35.001, 1e-9);
    EXPECT_NEAR(out[6].Latitude, 35.00075, 1e-9);
    EXPECT_EQ(out[2].Latitude, 35.0);
    EXPECT_EQ(out[8].Longitude, 139.0);

    // The first fix of a rising trend sees one side only (about 35.0000778). The other values
    // give other results when products or sums are rounded to double.
    const double lat[] = {35.0,
                          35.0001,
                          35.0002,
                          35.600527113171339,
                          35.600973791920772,
                          35.600129118774667,
                          35.599971114965442,
                          35.599492105304371};
    fixes.resize(8);
    for (std::size_t i = 0; i < 8; ++i)
        fixes[i].Latitude = lat[i];
    out = Smooth(fixes);
    EXPECT_NEAR(out[0].Latitude, 35.0000778, 1e-7);
    EXPECT_EQ(out[5].Latitude, double(((long double)lat[5] + 0.5L * lat[3] + 0.75L * lat[4] +
                                       0.75L * lat[6] + 0.5L * lat[7]) /
                                      total));
    EXPECT_EQ(out[7].Latitude, double(((long double)lat[7] + 0.5L * lat[5] + 0.75L * lat[6]) /
                                      (1.0L + 0.5L + 0.75L)));
}

TEST_F(Smoothing, TimeTests)
{
    // Backwards in time (fix 2 an hour before fix 1): a negative difference is admitted.
    auto out =
        Smooth({Fix(At(0), 10, 35.0), Fix(At(100), 20, 35.001), Fix(At(-3599900), 40, 35.002)});
    EXPECT_EQ(out[0].Speed, float((1.8L * 10 + 0.5L * 20 + 0.4L * 40) / (1.8L + 0.5L + 0.4L)));
    EXPECT_EQ(out[2].Speed, float((1.8L * 40 + 0.4L * 10 + 0.5L * 20) / (1.8L + 0.4L + 0.5L)));
    // A difference of exactly 210 ms as a day count excludes the neighbour; one bit less admits.
    const double window = double(210.0L / 86400000.0L);
    out = Smooth({Fix(0.0, 10, 35.0), Fix(window, 20, 35.5)});
    EXPECT_EQ(out[0].Speed, 10.0f);
    EXPECT_EQ(out[1].Latitude, 35.5);
    out = Smooth({Fix(0.0, 10, 35.0), Fix(std::nextafter(window, 0.0), 20, 35.5)});
    EXPECT_EQ(out[0].Speed, float((1.8L * 10 + 0.5L * 20) / (1.8L + 0.5L)));
    EXPECT_EQ(out[1].Latitude, double((35.5L + 0.75L * 35) / (1.0L + 0.75L)));
    // No mean reaches across a gap of seconds; at 1 Hz every value comes back as it was.
    auto fixes = Evenly(100, {10, 12, 14, 40, 42, 44});
    for (std::size_t i = 3; i < 6; ++i)
        fixes[i].Time = At(5000.0L + 100 * i);
    out = Smooth(fixes);
    EXPECT_EQ(out[2].Speed, float((1.8L * 14 + 0.4L * 10 + 0.5L * 12) / (1.8L + 0.4L + 0.5L)));
    EXPECT_EQ(out[3].Speed, float((1.8L * 40 + 0.5L * 42 + 0.4L * 44) / (1.8L + 0.5L + 0.4L)));
    fixes = Evenly(1000, {0.1f, 1234.567f, 3.3333333f, 1999.99f});
    fixes[2].Latitude = 35.123456789;
    out = Smooth(fixes);
    for (std::size_t i = 0; i < fixes.size(); ++i)
        EXPECT_EQ(std::tuple(out[i].Speed, out[i].Latitude),
                  std::tuple(fixes[i].Speed, fixes[i].Latitude));
}

TEST_F(Smoothing, OnlySpeedAndPositionOfValidEntriesChange)
{
    auto fixes = Evenly(100, {10, 11, 12});
    for (std::size_t i = 0; i < 3; ++i) {
        fixes[i].FixType = static_cast<std::uint16_t>(3 + i);
        fixes[i].ExtraValue = i == 2 ? std::bit_cast<float>(~0u) : 0.25f;
        fixes[i].Course = 10.0f * float(i);
        fixes[i].ExtraCount = static_cast<std::uint8_t>(i);
        fixes[i].SatelliteCount = static_cast<std::uint8_t>(20 - i);
        fixes[i].Millisecond = static_cast<std::uint16_t>(100 * i);
    }
    const auto out = Smooth(fixes);
    for (std::size_t i = 0; i < 3; ++i) {
        const TGpsFix &a = out[i], &b = fixes[i];
        EXPECT_EQ(std::tuple(std::bit_cast<std::uint64_t>(a.Time), a.FixType,
                             std::bit_cast<std::uint32_t>(a.ExtraValue), a.Course, a.ExtraCount,
                             a.SatelliteCount, a.Millisecond),
                  std::tuple(std::bit_cast<std::uint64_t>(b.Time), b.FixType,
                             std::bit_cast<std::uint32_t>(b.ExtraValue), b.Course, b.ExtraCount,
                             b.SatelliteCount, b.Millisecond));
    }
    // Entries past the count are neither read nor written.
    FixTable table(4);
    for (const TGpsFix& fix : fixes)
        table.Append(fix);
    table.Append(Fix(At(300), 99.0f));
    table.Clear();
    SmoothFixTable(table);
    for (const TGpsFix& fix : fixes)
        table.Append(fix);
    SmoothFixTable(table);
    EXPECT_EQ(table[0].Speed, out[0].Speed);
    EXPECT_EQ(table[3].Speed, 99.0f);

    // SmoothFixes reads its input table only and leaves it as it was.
    const std::vector<TGpsFix> copy = fixes;
    std::vector<TGpsFix> work(3, Fix(0.0, -1.0f));
    SmoothFixes(fixes.data(), 3, work.data());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Bits(fixes[i]), Bits(copy[i])) << i;
    EXPECT_EQ(work[1].Speed, out[1].Speed);
}

} // namespace
