#include "geometry/TimeAxis.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>

namespace {

// The smallest moment at or after `ms` that is `offset` plus a whole multiple of the step.
std::int64_t CeilToMultiple(std::int64_t ms, std::int64_t step, std::int64_t offset = 0)
{
    const std::int64_t r = (ms - offset) % step;
    return r == 0 ? ms : ms + (r < 0 ? -r : step - r);
}

// 1900-01-01, a Monday: weeks start there.
constexpr std::int64_t kFirstMonday = 2 * kTickDay;

std::int64_t UnitMs(TickUnit unit)
{
    switch (unit) {
    case TickUnit::Second:
        return kTickSecond;
    case TickUnit::Minute:
        return kTickMinute;
    case TickUnit::Hour:
        return kTickHour;
    case TickUnit::Day:
        return kTickDay;
    case TickUnit::Month:
        return 28 * kTickDay;
    case TickUnit::Year:
        break;
    }
    return 365 * kTickDay;
}

// Ticks on the first of months (Count 12 for years): the months whose number since year 0 is a
// multiple of `months`.
std::vector<std::int64_t> MonthTicks(const TimeAxis& axis, int months)
{
    std::vector<std::int64_t> moments;
    const CalendarTime first = MillisecondsToCalendar(axis.FirstMs);
    std::int64_t index = std::int64_t{first.Year} * 12 + (first.Month - 1);
    index += (months - index % months) % months;
    for (;; index += months) {
        const auto year = static_cast<int>(index / 12);
        const auto month = static_cast<int>(index % 12) + 1;
        const std::int64_t ms = CalendarToMilliseconds({year, month, 1, 0, 0, 0, 0});
        if (ms > axis.LastMs)
            break;
        if (ms >= axis.FirstMs)
            moments.push_back(ms);
    }
    return moments;
}

} // namespace

double TimeAxis::MsPerPixel() const { return static_cast<double>(LastMs - FirstMs) / Width; }

double TimeAxis::XOf(std::int64_t ms) const
{
    return Left + static_cast<double>(ms - FirstMs) / MsPerPixel();
}

std::int64_t TimeAxis::MsAt(double x) const
{
    const double share = std::clamp((x - Left) / Width, 0.0, 1.0);
    return FirstMs +
           static_cast<std::int64_t>(std::llround(share * static_cast<double>(LastMs - FirstMs)));
}

MsWindow TimeAxis::DragWindow(double fromX, double toX) const
{
    const std::int64_t a = MsAt(fromX);
    const std::int64_t b = MsAt(toX);
    return CoveringWindow(std::min(a, b), std::max(a, b));
}

TimeAxis TimeAxis::Zoomed(double x, double factor, const MsWindow& limits,
                          std::int64_t shortestMs) const
{
    const std::int64_t whole = limits.End - limits.Start;
    const auto span = std::clamp(
        static_cast<std::int64_t>(std::llround(static_cast<double>(LastMs - FirstMs) / factor)),
        std::min(shortestMs, whole), whole);
    const std::int64_t under = MsAt(x);
    const double share = std::clamp((x - Left) / Width, 0.0, 1.0);
    const std::int64_t first =
        under - static_cast<std::int64_t>(std::llround(share * static_cast<double>(span)));
    const std::int64_t start = std::clamp(first, limits.Start, limits.End - span);
    return {start, start + span, Left, Width};
}

TimeAxis TimeAxis::Panned(double dxPixels, const MsWindow& limits) const
{
    const std::int64_t span = LastMs - FirstMs;
    const auto shift = static_cast<std::int64_t>(std::llround(dxPixels * MsPerPixel()));
    const std::int64_t start =
        std::clamp(FirstMs - shift, limits.Start, std::max(limits.Start, limits.End - span));
    return {start, start + span, Left, Width};
}

std::int64_t TickStep::ShortestMs() const { return Count * UnitMs(Unit); }

TickStep ChooseTickStep(const TimeAxis& axis, const std::function<double(TickStep)>& captionPixels,
                        double gapPixels)
{
    const double msPerPixel = axis.MsPerPixel();
    for (const TickStep step : kTickSteps)
        if (static_cast<double>(step.ShortestMs()) / msPerPixel >= captionPixels(step) + gapPixels)
            return step;
    return kTickSteps.back();
}

std::vector<std::int64_t> TickMoments(const TimeAxis& axis, TickStep step)
{
    if (step.Unit == TickUnit::Month)
        return MonthTicks(axis, step.Count);
    if (step.Unit == TickUnit::Year)
        return MonthTicks(axis, 12 * step.Count);
    const std::int64_t ms = step.ShortestMs();
    const std::int64_t offset = step.Unit == TickUnit::Day && step.Count == 7 ? kFirstMonday : 0;
    std::vector<std::int64_t> moments;
    for (std::int64_t at = CeilToMultiple(axis.FirstMs, ms, offset); at <= axis.LastMs; at += ms)
        moments.push_back(at);
    return moments;
}

std::optional<std::size_t> BarAt(const TimeAxis& axis, std::span<const MsWindow> bars, double x,
                                 double slackPixels)
{
    const std::int64_t ms = axis.MsAt(x);
    std::optional<std::size_t> nearest;
    auto best = static_cast<std::int64_t>(slackPixels * axis.MsPerPixel());
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const std::int64_t distance =
            std::max({bars[i].Start - ms, ms - bars[i].End, std::int64_t{0}});
        if (distance <= best && (!nearest || distance < best)) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}
