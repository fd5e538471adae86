#include "store/TimeBase.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace {

// The conversion as the loggers' software did it: extended-precision sums, each step stored
// as a double. Plain double arithmetic differs in the last bit for about a quarter of all times.
double ExpectedTime(std::int32_t s, std::uint32_t ms, double epoch)
{
    const double whole = double(static_cast<long double>(s) / 86400 + epoch);
    return double(static_cast<long double>(whole) + (long double)double(ms / 86400000.0L));
}

using Fields = std::tuple<int, int, int, int, int, int, int>;
Fields Decoded(double t)
{
    const CalendarTime c = DecodeDayCount(t);
    return {c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Millisecond};
}

// Days since 1970-01-01 as a proleptic Gregorian date, independent of the code under test.
std::tuple<int, int, int> CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), m,
            static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

TEST(TimeBase, WorkedExamples)
{
    EXPECT_EQ(LocalEpochFromBias(-540), 25569.375);
    EXPECT_EQ(LocalEpochFromBias(300), double(25569.0L - 300 / 1440.0L));
    EXPECT_EQ(LocalEpochFromBias(-345), double(25569.0L + 345 / 1440.0L));
    const std::tuple<std::int32_t, std::int32_t, std::uint32_t, Fields> cases[] = {
        {-540, 1609459200, 0, {2021, 1, 1, 9, 0, 0, 0}},
        {300, 86400, 0, {1970, 1, 1, 19, 0, 0, 0}},
        {0, -2, 0, {1969, 12, 31, 23, 59, 58, 0}},
        {0, 86400, 250, {1970, 1, 2, 0, 0, 0, 250}},
        {-540, 1620012896, 789, {2021, 5, 3, 12, 34, 56, 789}},
    };
    for (const auto& [bias, s, ms, local] : cases) {
        const double t = LoggerTimeToDayCount(s, ms, LocalEpochFromBias(bias));
        EXPECT_EQ(t, ExpectedTime(s, ms, LocalEpochFromBias(bias))) << s;
        EXPECT_EQ(Decoded(t), local) << s;
    }
}

TEST(TimeBase, LoggerTimeIsBitExactAndDecodesToItsMillisecond)
{
    std::mt19937 random(7);
    for (std::int32_t bias : {-540, 0, 300})
        for (int i = 0; i < 20000; ++i) {
            const double epoch = LocalEpochFromBias(bias);
            const auto s = static_cast<std::int32_t>(1500000000 + random() % 400000000);
            const auto ms = static_cast<std::uint32_t>(random() % 1000);
            const double t = LoggerTimeToDayCount(s, ms, epoch);
            ASSERT_EQ(t, ExpectedTime(s, ms, epoch)) << s << " " << ms << " bias " << bias;
            const std::int64_t local = std::int64_t{s} - std::int64_t{bias} * 60,
                               sod = local % 86400;
            const auto [y, m, d] = CivilFromDays(local / 86400);
            ASSERT_EQ(Decoded(t),
                      Fields(y, m, d, int(sod / 3600), int(sod / 60 % 60), int(sod % 60), int(ms)))
                << s << " " << ms << " bias " << bias;
            // With a time base of whole hours a whole-second fix equals the encoded window
            // boundary of the same second, which then selects it exactly.
            if (bias != 300) {
                ASSERT_EQ(
                    EncodeDateTime(y, m, d, int(sod / 3600), int(sod / 60 % 60), int(sod % 60)),
                    LoggerTimeToDayCount(s, 0, epoch))
                    << s;
            }
        }
}

TEST(TimeBase, EncodeDate)
{
    const std::tuple<int, int, int, std::optional<double>> cases[] = {
        {1899, 12, 30, 0.0},    {1970, 1, 1, 25569.0}, {2021, 1, 1, 44197.0},
        {2000, 2, 29, 36585.0}, {1, 1, 1, -693593.0},  {9999, 12, 31, 2958465.0},
        {2024, 2, 30, {}},      {2023, 2, 29, {}},     {1900, 2, 29, {}},
        {2021, 4, 31, {}},      {2021, 0, 1, {}},      {2021, 13, 1, {}},
        {2021, 1, 0, {}},       {0, 1, 1, {}},         {10000, 1, 1, {}},
    };
    for (const auto& [y, m, d, expected] : cases)
        EXPECT_EQ(EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
    EXPECT_EQ(EncodeDateTime(2024, 2, 30, 0, 0, 0), std::nullopt);
}

TEST(TimeBase, EncodeTimeIsBitExact)
{
    for (int h : {0, 9, 12, 23})
        for (int n : {0, 34, 59})
            for (int s : {0, 1, 56, 59})
                for (int ms : {0, 1, 210, 789, 999}) {
                    const long double whole = h * 3600000 + n * 60000 + s * 1000 + ms;
                    const double time = double(whole / 86400000.0L);
                    ASSERT_EQ(EncodeTime(h, n, s, ms), time) << h << n << s << ms;
                    if (ms == 0) {
                        ASSERT_EQ(EncodeDateTime(2021, 5, 3, h, n, s),
                                  double(44319.0L + (long double)time));
                    }
                }
}

TEST(TimeBase, DecodeRoundsToTheMillisecondFirst)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, Fields> cases[] = {
        {44197.0 - 1e-10, {2021, 1, 1, 0, 0, 0, 0}}, // less than half a ms before midnight
        {44197.0 + 0.4 / 86400000, {2021, 1, 1, 0, 0, 0, 0}},
        {44197.0 + 0.6 / 86400000, {2021, 1, 1, 0, 0, 0, 1}},
        {-693593.0, {1, 1, 1, 0, 0, 0, 0}},
        {2958465.5, {9999, 12, 31, 12, 0, 0, 0}},
        {nan, {1899, 12, 30, 0, 0, 0, 0}}, // not finite or outside years 1..9999
        {HUGE_VAL, {1899, 12, 30, 0, 0, 0, 0}},
        {3.0e6, {1899, 12, 30, 0, 0, 0, 0}},
    };
    for (const auto& [t, fields] : cases)
        EXPECT_EQ(Decoded(t), fields) << t;
    const double t = LoggerTimeToDayCount(1620012896, 789, 25569.375);
    EXPECT_EQ(FormatDayCount(t), "2021/05/03 12:34:56.789");
    EXPECT_EQ(FormatDayCount(t, "-", "."), "2021-05-03 12.34.56.789");
    EXPECT_EQ(FormatDayCount(36585.0 + EncodeTime(7, 5, 3, 9)), "2000/02/29 07:05:03.009");
}

// A zone's offset written and read back: the formatter and its parser agree at every edge.
TEST(UtcOffsetText, WrittenAsItIsRead)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {540, "+09:00"}, {0, "+00:00"},    {-570, "-09:30"},
        {345, "+05:45"}, {1440, "+24:00"}, {-1440, "-24:00"},
    };
    for (const auto& [east, text] : cases) {
        EXPECT_EQ(FormatUtcOffsetText(east), text);
        EXPECT_EQ(ParseUtcOffsetText(text), east) << text;
    }
}

} // namespace
