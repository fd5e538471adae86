#pragma once

#include "convert/TimeWindow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// A span of local time laid across pixels: [FirstMs, LastMs] onto [Left, Left + Width].
struct TimeAxis {
    std::int64_t FirstMs = 0;
    std::int64_t LastMs = 1000; // after FirstMs
    double Left = 0;
    double Width = 1; // above 0

    [[nodiscard]] double MsPerPixel() const;
    [[nodiscard]] double XOf(std::int64_t ms) const;
    // The moment under a pixel, kept within the span.
    [[nodiscard]] std::int64_t MsAt(double x) const;
    // The window of whole seconds a drag between two pixels picks: from the start of the
    // earlier one's second to the end of the later one's.
    [[nodiscard]] MsWindow DragWindow(double fromX, double toX) const;
};

// The tick steps on offer, from one second to a year.
inline constexpr std::int64_t kTickSecond = 1000;
inline constexpr std::int64_t kTickMinute = 60 * kTickSecond;
inline constexpr std::int64_t kTickHour = 60 * kTickMinute;
inline constexpr std::int64_t kTickDay = 24 * kTickHour;
inline constexpr std::array<std::int64_t, 23> kTickSteps{
    kTickSecond,     5 * kTickSecond, 10 * kTickSecond, 30 * kTickSecond, kTickMinute,
    2 * kTickMinute, 5 * kTickMinute, 10 * kTickMinute, 15 * kTickMinute, 30 * kTickMinute,
    kTickHour,       2 * kTickHour,   3 * kTickHour,    6 * kTickHour,    12 * kTickHour,
    kTickDay,        2 * kTickDay,    7 * kTickDay,     14 * kTickDay,    30 * kTickDay,
    91 * kTickDay,   182 * kTickDay,  365 * kTickDay,
};

// The finest step whose ticks lie far enough apart for their captions: `captionPixels(step)` is
// the widest caption the step gives, and `gapPixels` is kept free between two captions. The
// coarsest step when none fits.
[[nodiscard]] std::int64_t ChooseTickStep(const TimeAxis& axis,
                                          const std::function<double(std::int64_t)>& captionPixels,
                                          double gapPixels);

// The moments of the span that are whole multiples of the step.
[[nodiscard]] std::vector<std::int64_t> TickMoments(const TimeAxis& axis, std::int64_t step);

// The first bar (trip) whose span lies within `slackPixels` of a pixel; nothing when none does.
[[nodiscard]] std::optional<std::size_t> BarAt(const TimeAxis& axis, std::span<const MsWindow> bars,
                                               double x, double slackPixels);
