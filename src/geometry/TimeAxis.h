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
    // The span shrunk by `factor` (above 1 zooms in) about the moment under a pixel, which keeps
    // its place; never shorter than `shortestMs` nor beyond the limits.
    [[nodiscard]] TimeAxis Zoomed(double x, double factor, const MsWindow& limits,
                                  std::int64_t shortestMs) const;
    // The span moved with the pointer: the moment under a pixel comes to lie `dxPixels` further
    // right; kept within the limits.
    [[nodiscard]] TimeAxis Panned(double dxPixels, const MsWindow& limits) const;
};

inline constexpr std::int64_t kTickSecond = 1000;
inline constexpr std::int64_t kTickMinute = 60 * kTickSecond;
inline constexpr std::int64_t kTickHour = 60 * kTickMinute;
inline constexpr std::int64_t kTickDay = 24 * kTickHour;

// The calendar units of the ticks.
enum class TickUnit { Second, Minute, Hour, Day, Month, Year };

// A step between ticks: whole multiples of a number of units (weeks start on Mondays, months and
// years on the first).
struct TickStep {
    TickUnit Unit = TickUnit::Second;
    int Count = 1;

    // The shortest time between two ticks of the step (February for months).
    [[nodiscard]] std::int64_t ShortestMs() const;
    friend bool operator==(const TickStep&, const TickStep&) = default;
};

// The steps on offer, from a second to a century.
inline constexpr std::array<TickStep, 29> kTickSteps{{
    {TickUnit::Second, 1},  {TickUnit::Second, 5},  {TickUnit::Second, 10}, {TickUnit::Second, 30},
    {TickUnit::Minute, 1},  {TickUnit::Minute, 2},  {TickUnit::Minute, 5},  {TickUnit::Minute, 10},
    {TickUnit::Minute, 15}, {TickUnit::Minute, 30}, {TickUnit::Hour, 1},    {TickUnit::Hour, 2},
    {TickUnit::Hour, 3},    {TickUnit::Hour, 6},    {TickUnit::Hour, 12},   {TickUnit::Day, 1},
    {TickUnit::Day, 2},     {TickUnit::Day, 7},     {TickUnit::Month, 1},   {TickUnit::Month, 2},
    {TickUnit::Month, 3},   {TickUnit::Month, 6},   {TickUnit::Year, 1},    {TickUnit::Year, 2},
    {TickUnit::Year, 5},    {TickUnit::Year, 10},   {TickUnit::Year, 20},   {TickUnit::Year, 50},
    {TickUnit::Year, 100},
}};

// The finest step whose ticks lie far enough apart for their captions: `captionPixels(step)` is
// the widest caption the step gives, and `gapPixels` is kept free between two captions. The
// coarsest step when none fits.
[[nodiscard]] TickStep ChooseTickStep(const TimeAxis& axis,
                                      const std::function<double(TickStep)>& captionPixels,
                                      double gapPixels);

// The moments of the span that start a step.
[[nodiscard]] std::vector<std::int64_t> TickMoments(const TimeAxis& axis, TickStep step);

// The bar (trip) nearest a pixel, the first of those a pixel lies on, within `slackPixels`;
// nothing when none is that near.
[[nodiscard]] std::optional<std::size_t> BarAt(const TimeAxis& axis, std::span<const MsWindow> bars,
                                               double x, double slackPixels);
