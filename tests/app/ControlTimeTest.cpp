#include "app/ControlTime.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

auto Fields(const CalendarTime& t)
{
    return std::tuple(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

// The end preset: a fix's time cut to the second, one second added, then kept in 2000..2099.
TEST(ControlTime, EndPresetCarriesAndClamps)
{
    struct Case {
        const char* What;
        CalendarTime Fix;
        CalendarTime End;
    };
    const Case cases[] = {
        {"plain second", {2021, 5, 3, 12, 34, 56, 789}, {2021, 5, 3, 12, 34, 57, 0}},
        {"minute", {2021, 5, 3, 12, 34, 59, 0}, {2021, 5, 3, 12, 35, 0, 0}},
        {"hour", {2021, 5, 3, 12, 59, 59, 999}, {2021, 5, 3, 13, 0, 0, 0}},
        {"day", {2021, 5, 3, 23, 59, 59, 0}, {2021, 5, 4, 0, 0, 0, 0}},
        {"30-day month", {2021, 4, 30, 23, 59, 59, 0}, {2021, 5, 1, 0, 0, 0, 0}},
        {"leap day", {2024, 2, 28, 23, 59, 59, 0}, {2024, 2, 29, 0, 0, 0, 0}},
        {"no leap day", {2023, 2, 28, 23, 59, 59, 0}, {2023, 3, 1, 0, 0, 0, 0}},
        {"century leap day", {2000, 2, 29, 23, 59, 59, 0}, {2000, 3, 1, 0, 0, 0, 0}},
        {"year", {2023, 12, 31, 23, 59, 59, 999}, {2024, 1, 1, 0, 0, 0, 0}},
        {"into 2100", {2099, 12, 31, 23, 59, 59, 0}, {2099, 12, 31, 23, 59, 59, 0}},
        {"before 2000", {1999, 12, 31, 23, 59, 58, 0}, {2000, 1, 1, 0, 0, 0, 0}},
        {"last second of 1999", {1999, 12, 31, 23, 59, 59, 0}, {2000, 1, 1, 0, 0, 0, 0}},
        {"after 2099", {2105, 3, 1, 0, 0, 0, 0}, {2099, 12, 31, 23, 59, 59, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const auto dayCount = EncodeDateTime(c.Fix.Year, c.Fix.Month, c.Fix.Day, c.Fix.Hour,
                                             c.Fix.Minute, c.Fix.Second);
        ASSERT_TRUE(dayCount);
        const double fix = *dayCount + c.Fix.Millisecond / 86400000.0;
        EXPECT_EQ(Fields(ClampToControls(AddOneSecond(CutToSecond(fix)))), Fields(c.End));
    }
}

// The start preset: cut, never rounded up, and kept in 2000..2099 as a whole moment.
TEST(ControlTime, StartPresetCutsAndClamps)
{
    const auto start = [](int y, int mo, int d, int h, int mi, int s, int ms) {
        return Fields(
            ClampToControls(CutToSecond(*EncodeDateTime(y, mo, d, h, mi, s) + ms / 86400000.0)));
    };
    EXPECT_EQ(start(2021, 5, 3, 12, 34, 56, 999), std::tuple(2021, 5, 3, 12, 34, 56));
    EXPECT_EQ(start(1970, 1, 1, 9, 0, 0, 0), std::tuple(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(start(2100, 1, 1, 0, 0, 0, 0), std::tuple(2099, 12, 31, 23, 59, 59));
}

} // namespace
