#include "geometry/TimeAxis.h"

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
    const auto forty = [](std::int64_t) { return 40.0; };
    const std::int64_t step = ChooseTickStep(kHour, forty, 16);
    EXPECT_EQ(step, 10 * kTickMinute);
    const std::vector<std::int64_t> ticks = TickMoments(kHour, step);
    ASSERT_EQ(ticks.size(), 7u);
    EXPECT_EQ(ticks.front(), 3600000);
    EXPECT_EQ(ticks.back(), 7200000);
    // A span before 1899-12-30 still ticks on whole multiples.
    const std::vector<std::int64_t> early = TickMoments({-3599000, -1000, 0, 100}, kTickHour);
    EXPECT_TRUE(early.empty());
    EXPECT_EQ(TickMoments({-7300000, -3500000, 0, 100}, kTickHour),
              (std::vector<std::int64_t>{-7200000, -3600000}));
    // Nothing fits: the coarsest step.
    EXPECT_EQ(ChooseTickStep(
                  kHour, [](std::int64_t) { return 1e9; }, 0),
              kTickSteps.back());
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
