#include "geometry/TimeAxis.h"

#include "store/TimeBase.h"

#include <gtest/gtest.h>

namespace {

// An hour over 360 pixels from x = 8: ten seconds a pixel.
constexpr TimeAxis kHour{3600000, 7200000, 8, 360};

TEST(TimeAxis, PixelsAndMomentsBothWays)
{
    EXPECT_EQ(kHour.MsPerPixel(), 10000.0);
    EXPECT_EQ(kHour.XOf(3600000), 8.0);
    EXPECT_EQ(kHour.XOf(7200000), 368.0);
    EXPECT_EQ(kHour.MsAt(188), 5400000);
    EXPECT_EQ(kHour.MsAt(-50), 3600000); // kept within the span
    EXPECT_EQ(kHour.MsAt(1000), 7200000);
}

// A drag picks whole seconds, from the earlier end's second to the end of the later end's,
// whichever way it runs.
TEST(TimeAxis, DragsPickWholeSeconds)
{
    const struct {
        double from, to;
        MsWindow window;
    } cases[] = {
        {8.05, 8.25, {3600000, 3603000}}, // 3600500 .. 3602500
        {8.25, 8.05, {3600000, 3603000}}, // backwards
        {188, 188, {5400000, 5401000}},   // a click's second
        {-20, 500, {3600000, 7201000}},   // past both ends
    };
    for (const auto& c : cases) {
        const MsWindow w = kHour.DragWindow(c.from, c.to);
        EXPECT_EQ(w.Start, c.window.Start) << c.from << " " << c.to;
        EXPECT_EQ(w.End, c.window.End) << c.from << " " << c.to;
    }
}

TEST(TimeAxis, TicksFitTheirCaptions)
{
    // Captions of 40 pixels with 16 free: 56 pixels a tick at least, so 560 s, so 10 minutes.
    const auto forty = [](TickStep) { return 40.0; };
    const TickStep step = ChooseTickStep(kHour, forty, 16);
    EXPECT_EQ(step, (TickStep{TickUnit::Minute, 10}));
    const std::vector<std::int64_t> ticks = TickMoments(kHour, step);
    ASSERT_EQ(ticks.size(), 7u);
    EXPECT_EQ(ticks.front(), 3600000);
    EXPECT_EQ(ticks.back(), 7200000);
    // A span before 1899-12-30 still ticks on whole multiples.
    EXPECT_TRUE(TickMoments({-3599000, -1000, 0, 100}, {TickUnit::Hour, 1}).empty());
    EXPECT_EQ(TickMoments({-7300000, -3500000, 0, 100}, {TickUnit::Hour, 1}),
              (std::vector<std::int64_t>{-7200000, -3600000}));
    // Nothing fits: the coarsest step.
    EXPECT_EQ(ChooseTickStep(
                  kHour, [](TickStep) { return 1e9; }, 0),
              kTickSteps.back());
}

// The step follows the span, from minutes to decades, and the ticks fall on the calendar's own
// boundaries: midnights, Mondays, the first of a month, the first of January of round years.
TEST(TimeAxis, TicksFollowTheCalendarAtEverySpan)
{
    const auto ms = [](int year, int month, int day, int hour = 0) {
        return CalendarToMilliseconds({year, month, day, hour, 0, 0, 0});
    };
    const auto sixty = [](TickStep) { return 60.0; };
    struct Case {
        const char* What;
        TimeAxis Axis;
        TickStep Step;
    };
    const Case cases[] = {
        {"an hour", {ms(2024, 5, 3, 12), ms(2024, 5, 3, 13), 0, 800}, {TickUnit::Minute, 10}},
        {"an afternoon", {ms(2024, 5, 3, 12), ms(2024, 5, 3, 18), 0, 800}, {TickUnit::Hour, 1}},
        {"three days", {ms(2024, 5, 3), ms(2024, 5, 6), 0, 800}, {TickUnit::Hour, 12}},
        {"a week", {ms(2024, 5, 3), ms(2024, 5, 10), 0, 800}, {TickUnit::Day, 1}},
        {"a month", {ms(2024, 5, 1), ms(2024, 6, 1), 0, 800}, {TickUnit::Day, 7}},
        {"a season", {ms(2024, 3, 1), ms(2024, 7, 1), 0, 800}, {TickUnit::Month, 1}},
        {"three years", {ms(2021, 3, 1), ms(2024, 2, 1), 0, 800}, {TickUnit::Month, 6}},
        {"1901 to 2038", {ms(1901, 12, 13), ms(2038, 1, 19), 0, 800}, {TickUnit::Year, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TickStep step = ChooseTickStep(c.Axis, sixty, 16);
        EXPECT_EQ(step, c.Step);
        const std::vector<std::int64_t> ticks = TickMoments(c.Axis, step);
        ASSERT_GE(ticks.size(), 2u);
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_GE(ticks[i], c.Axis.FirstMs);
            EXPECT_LE(ticks[i], c.Axis.LastMs);
            const double gap = i == 0 ? 76 : c.Axis.XOf(ticks[i]) - c.Axis.XOf(ticks[i - 1]);
            EXPECT_GE(gap, 76 - 1e-9) << i;
            const CalendarTime t = MillisecondsToCalendar(ticks[i]);
            EXPECT_TRUE(step.Unit < TickUnit::Day || ticks[i] % kTickDay == 0) << i;
            // 1899-12-30, day 0, was a Saturday.
            EXPECT_TRUE(step != (TickStep{TickUnit::Day, 7}) || ticks[i] / kTickDay % 7 == 2) << i;
            EXPECT_TRUE(step.Unit != TickUnit::Month ||
                        (t.Day == 1 && (t.Month - 1) % step.Count == 0))
                << t.Month;
            EXPECT_TRUE(step.Unit != TickUnit::Year ||
                        (t.Day == 1 && t.Month == 1 && t.Year % step.Count == 0))
                << t.Year;
        }
    }
}

// The wheel zooms about the pointer, a drag pans; neither leaves the log's span nor zooms in
// below the shortest span.
TEST(TimeAxis, ZoomAndPanStayInTheLog)
{
    const MsWindow log{3600000, 7200000};
    const TimeAxis in = kHour.Zoomed(98, 4, log, 60000); // 900 s at 9000 s in
    EXPECT_EQ(in.LastMs - in.FirstMs, 900000);
    EXPECT_NEAR(in.XOf(kHour.MsAt(98)), 98, 1e-9);
    EXPECT_EQ(kHour.Zoomed(98, 1000, log, 60000).LastMs -
                  kHour.Zoomed(98, 1000, log, 60000).FirstMs,
              60000);
    const TimeAxis out = in.Zoomed(300, 0.01, log, 60000);
    EXPECT_EQ(out.FirstMs, log.Start);
    EXPECT_EQ(out.LastMs, log.End);
    const TimeAxis atEnd = kHour.Zoomed(368, 2, log, 60000);
    EXPECT_EQ(atEnd.LastMs, log.End);
    // Dragging right by 36 pixels shows what lay 225 s earlier; never before the log.
    const TimeAxis panned = in.Panned(36, log);
    EXPECT_EQ(panned.FirstMs, in.FirstMs - 90000);
    EXPECT_EQ(in.Panned(1e6, log).FirstMs, log.Start);
    EXPECT_EQ(in.Panned(-1e6, log).LastMs, log.End);
}

TEST(TimeAxis, BarsAreFoundWithinTheirSlack)
{
    const MsWindow bars[] = {{3700000, 3700000}, {5000000, 6000000}};
    EXPECT_EQ(BarAt(kHour, bars, kHour.XOf(3700000) + 1.5, 2), 0u); // a one-fix trip
    EXPECT_EQ(BarAt(kHour, bars, kHour.XOf(3700000) + 3, 2), std::nullopt);
    EXPECT_EQ(BarAt(kHour, bars, kHour.XOf(5500000), 2), 1u);
    EXPECT_EQ(BarAt(kHour, bars, kHour.XOf(6100000), 2), std::nullopt);
}

} // namespace
